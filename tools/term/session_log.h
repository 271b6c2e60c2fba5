// The session's log: every received byte written to the file as it comes,
// one write a read with nothing held back, so a killed terminal or a lost
// line loses none. The file can be closed, or changed for another, while
// the session runs.
#ifndef PORTKIT_TOOLS_TERM_SESSION_LOG_H
#define PORTKIT_TOOLS_TERM_SESSION_LOG_H

#include <cstddef>
#include <string>

namespace portkit::tool {

class SessionLog {
public:
    explicit SessionLog(bool append) : append_(append) {}
    ~SessionLog() { Close(); }
    SessionLog(const SessionLog &) = delete;
    SessionLog &operator=(const SessionLog &) = delete;

    // Opens `path` in place of the file open now: emptied first, or added
    // to with --log-append. False, with the system's reason in `error`,
    // when it cannot be opened; the file open before stays open then.
    bool Open(const std::string &path, std::string *error);
    void Close();
    bool IsOpen() const { return descriptor_ >= 0; }
    const std::string &path() const { return path_; }

    // Writes `bytes` to the file. A failed write closes the log; the
    // reason waits in TakeFailure for the session to show.
    void Write(const char *bytes, std::size_t count);
    // "Writing the log FILE failed: REASON; the log is closed", once; empty
    // when nothing failed.
    std::string TakeFailure();

private:
    bool append_;
    int descriptor_ = -1;
    std::string path_;
    std::string failure_;
};

// What the system offers for these, POSIX descriptors or the C runtime's;
// -1 with errno on failure. A write may take only part of `count`.
int OpenLogFile(const std::string &path, bool append);
long WriteLogFile(int descriptor, const char *bytes, std::size_t count);
void CloseLogFile(int descriptor);

}  // namespace portkit::tool

#endif
