// Progress of a transfer on standard error, fed by the library's status
// hook: on a terminal a bar per file redrawn in place, elsewhere one summary
// line per file once it ends.
#ifndef PORTKIT_TOOLS_TRANSFER_PROGRESS_H
#define PORTKIT_TOOLS_TRANSFER_PROGRESS_H

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "portkit/transfer.h"

namespace portkit::tool {

class TransferProgress {
public:
    // `columns` bounds the bar's width on a terminal.
    TransferProgress(std::FILE *out, bool terminal, int columns);
    ~TransferProgress();
    TransferProgress(const TransferProgress &) = delete;
    TransferProgress &operator=(const TransferProgress &) = delete;

    // The hooks report to the TransferProgress alive at the time (one at most):
    // the hooks carry no pointer of ours.
    static int StatusHook(TransferRecord *record);
    static void MessageHook(const char *line, TransferRecord *record);

    // Ends the last file's line once the entry point has returned its result.
    void Finish(int result);

    // Every message line is shown; otherwise only the ones a user must see.
    void ShowAllMessages(bool all) { all_messages_ = all; }
    // False: only what says a file is not as it should be is shown.
    void ShowNews(bool news) { news_ = news; }
    // Files that arrived longer or shorter than their sender announced.
    int LengthMismatches() const { return length_mismatches_; }
    // What a failed write of a received file said, with how far it got
    // ("big.bin: No space left on device (36.2 MB of 50.0 MB written)"); ""
    // when no write failed.
    const std::string &WriteFailure() const { return write_failure_; }

private:
    using Clock = std::chrono::steady_clock;

    struct File {
        const TransferRecord *record = nullptr;
        std::int32_t number = 0;  // the record's file_count when it opened this file
        std::string name;
        bool sending = false;
        std::int64_t bytes = 0;
        std::int64_t length = 0;       // 0 when not known
        std::int64_t first_bytes = 0;  // where the file began: a resumed one starts past 0
        // The record's count goes up once the file is through (a ZMODEM
        // sender's), not when it opens, so a declined file leaves it as it was.
        bool counted_when_through = false;
        Clock::time_point started;
        Clock::time_point last_progress;  // a finished file's end: a batch may pause before the next

        std::int64_t Moved() const { return bytes - first_bytes; }
    };

    void Update(const TransferRecord &record);
    enum class Stage { kRunning, kDone, kSkipped, kFailed };
    void EndFile(Stage ending);
    double Seconds(Stage stage) const;  // of the current file so far, or in all once done
    void Draw(Stage stage);
    void ClearLine();
    void PrintLine(const char *line);
    void Message(const char *line, const TransferRecord *record);

    std::FILE *out_;
    bool terminal_;
    int columns_;
    bool have_file_ = false;
    File file_;
    Clock::time_point last_draw_;
    std::size_t drawn_width_ = 0;  // characters of the bar now on screen, 0 when none
    bool all_messages_ = false;
    bool news_ = true;
    int length_mismatches_ = 0;
    std::string write_failure_;
};

}  // namespace portkit::tool

#endif
