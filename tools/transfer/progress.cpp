#include "tools/transfer/progress.h"

#include <algorithm>
#include <cstring>

#include "port/escaped_text.h"
#include "tools/cli/human_units.h"

namespace portkit::tool {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr std::size_t kNameWidth = 24;
constexpr std::size_t kSmallestBar = 10;
constexpr std::size_t kWidestBar = 30;
// Room kept for the figures at their widest ("100%  999.9 kB of 999.9 kB  999.9 kB/s  ETA 59:59"),
// so the bar keeps one width while they grow.
constexpr std::size_t kStatsWidth = 52;

TransferProgress *active = nullptr;

// Long names keep their end, where the file's own name is.
std::string Shortened(const std::string &name, std::size_t width) {
    if (name.size() <= width) return name;
    return "..." + name.substr(name.size() - (width - 3));
}

std::string Bar(std::int64_t bytes, std::int64_t length, std::size_t width) {
    const std::int64_t done = std::clamp<std::int64_t>(bytes, 0, length);
    const std::size_t filled =
        std::min(width, static_cast<std::size_t>(done * static_cast<std::int64_t>(width) / length));
    std::string bar(width + 2, ' ');
    bar.front() = '[';
    bar.back() = ']';
    bar.replace(1, filled, filled, '=');
    if (filled < width) bar[1 + filled] = '>';
    return bar;
}

// What happened to a file that the user would otherwise not learn of.
bool MustBeSeen(const char *line) {
    for (const char *start : {"Skipping ", "Keeping ", "Kept the partial file ", "Cannot open ", "Cannot rename ",
                              "Refused ", "Renamed "}) {
        if (std::strncmp(line, start, std::strlen(start)) == 0) return true;
    }
    return false;
}

}  // namespace

TransferProgress::TransferProgress(std::FILE *out, bool terminal, int columns)
    : out_(out), terminal_(terminal), columns_(std::max(columns, 40)) {
    active = this;
}

TransferProgress::~TransferProgress() {
    if (active == this) active = nullptr;
}

int TransferProgress::StatusHook(TransferRecord *record) {
    if (active != nullptr && record != nullptr) active->Update(*record);
    return 0;
}

void TransferProgress::MessageHook(const char *line, TransferRecord *record) {
    if (active != nullptr && line != nullptr) active->Message(line, record);
}

void TransferProgress::Message(const char *line, const TransferRecord *record) {
    constexpr std::size_t kMismatchLength = sizeof PORTKIT_LENGTH_MISMATCH_LINE - 1;
    if (std::strncmp(line, PORTKIT_LENGTH_MISMATCH_LINE, kMismatchLength) == 0) {
        ++length_mismatches_;
        long received = 0;
        long announced = 0;
        const char *name = record != nullptr && record->file_name != nullptr ? record->file_name : "?";
        char text[256];
        if (std::sscanf(line + kMismatchLength, "%ld bytes received, %ld announced", &received, &announced) == 2) {
            std::snprintf(text, sizeof text, "%s: %ld bytes arrived, but the sender announced %ld; the file is %s",
                          name, received, announced,
                          received < announced ? "incomplete" : "longer than announced (the excess was dropped)");
        } else {
            std::snprintf(text, sizeof text, "%s: %s", name, line);
        }
        PrintLine(text);
        return;
    }
    constexpr std::size_t kWriteFailedLength = sizeof PORTKIT_WRITE_FAILED_LINE - 1;
    if (std::strncmp(line, PORTKIT_WRITE_FAILED_LINE, kWriteFailedLength) == 0 && write_failure_.empty()) {
        write_failure_ = EscapeControls(line + kWriteFailedLength);
        if (record != nullptr && record->byte_total >= 0) {
            write_failure_ += " (" + FormatBytes(record->byte_total);
            if (record->file_length > 0) write_failure_ += " of " + FormatBytes(record->file_length);
            write_failure_ += " written)";
        }
        return;  // said once the transfer has ended
    }
    if (all_messages_ || (news_ && MustBeSeen(line))) PrintLine(line);
}

void TransferProgress::Finish(int result) {
    if (!have_file_) return;
    // A file counted only once through, and not counted, was declined; a
    // batch of nothing but declined files ends with "No files were sent".
    const bool declined = file_.counted_when_through && (result == file_.number || result == PORTKIT_XFER_NO_FILES);
    EndFile(declined ? Stage::kSkipped : result < 0 ? Stage::kFailed : Stage::kDone);
}

void TransferProgress::Update(const TransferRecord &record) {
    // Calls before a file is open (set-up, YMODEM's header blocks) say
    // nothing about one; a file received into nothing is not one.
    if (record.file == nullptr || record.byte_total < 0 || record.discarding != 0) return;
    const Clock::time_point now = Clock::now();
    // The name is the far end's: shown only escaped.
    const std::string name = EscapeControls(record.file_name != nullptr ? record.file_name : "?");
    const bool same_count = have_file_ && file_.record == &record && file_.number == record.file_count;
    if (!same_count || file_.name != name) {
        // A batch goes on to its next file once the last one is through, or
        // (with the count unchanged) once the receiver has declined it.
        if (have_file_) EndFile(same_count ? Stage::kSkipped : Stage::kDone);
        file_ = File{&record,
                     record.file_count,
                     name,
                     record.sending != 0,
                     record.byte_total,
                     0,
                     record.byte_total,
                     record.sending != 0 && record.transfer_type == PORTKIT_ZMODEM,
                     now,
                     now};
        have_file_ = true;
        last_draw_ = Clock::time_point{};
    }
    if (record.byte_total != file_.bytes) file_.last_progress = now;
    file_.bytes = record.byte_total;
    file_.length = record.file_length > 0 ? record.file_length : 0;
    if (terminal_ && now - last_draw_ >= kRedrawInterval) {
        Draw(Stage::kRunning);
        last_draw_ = now;
    }
}

void TransferProgress::EndFile(Stage ending) {
    const double seconds = Seconds(ending);
    if (terminal_) {
        Draw(ending);
        std::fputc('\n', out_);
        drawn_width_ = 0;
    } else if (ending == Stage::kSkipped) {
        std::fprintf(out_, "skipped %s: the receiver declined it\n", file_.name.c_str());
    } else {
        const bool done = ending == Stage::kDone;
        std::string amount = std::to_string(file_.bytes);
        if (file_.length > 0 && (!done || file_.bytes != file_.length)) amount += " of " + std::to_string(file_.length);
        amount += " bytes";
        if (file_.first_bytes > 0) amount += " (resumed at " + std::to_string(file_.first_bytes) + ")";
        if (done) {
            std::fprintf(out_, "%s %s: %s in %s (%s)\n", file_.sending ? "sent" : "received", file_.name.c_str(),
                         amount.c_str(), FormatDuration(seconds).c_str(),
                         FormatRate(static_cast<double>(file_.Moved()) / seconds).c_str());
        } else {
            std::fprintf(out_, "%s %s: failed after %s in %s\n", file_.sending ? "sending" : "receiving",
                         file_.name.c_str(), amount.c_str(), FormatDuration(seconds).c_str());
        }
    }
    std::fflush(out_);
    have_file_ = false;
}

double TransferProgress::Seconds(Stage stage) const {
    const Clock::time_point end = stage == Stage::kDone ? file_.last_progress : Clock::now();
    return std::chrono::duration<double>(end - file_.started).count();
}

// name  [=====>    ]  45%  450.0 kB of 1.0 MB  215.0 kB/s  ETA 0:03
void TransferProgress::Draw(Stage stage) {
    const double seconds = Seconds(stage);
    const double rate = seconds > 0 ? static_cast<double>(file_.Moved()) / seconds : 0;
    std::string stats;
    if (file_.length > 0) {
        stats = std::to_string(std::min<std::int64_t>(file_.bytes, file_.length) * 100 / file_.length) + "%  " +
                FormatBytes(file_.bytes) + " of " + FormatBytes(file_.length);
    } else {
        stats = FormatBytes(file_.bytes);
    }
    stats += "  " + FormatRate(rate);
    if (stage != Stage::kRunning) {
        static constexpr const char *kEndings[] = {"", "  in ", "  skipped after ", "  failed after "};
        stats += kEndings[static_cast<int>(stage)] + FormatDuration(seconds);
    } else if (file_.length > 0 && rate > 0) {
        const auto left = static_cast<double>(std::max<std::int64_t>(file_.length - file_.bytes, 0));
        stats += "  ETA " + FormatClock(left / rate);
    }
    const std::size_t room = static_cast<std::size_t>(columns_) - 1;  // the last column would wrap
    std::string line = Shortened(file_.name, kNameWidth);
    const std::size_t fixed = line.size() + 2 + 2 + 2 + kStatsWidth;  // gaps and the bar's brackets
    if (file_.length > 0 && fixed + kSmallestBar <= room) {
        line += "  " + Bar(file_.bytes, file_.length, std::min(room - fixed, kWidestBar));
    }
    line += "  " + stats;
    if (line.size() > room) line.resize(room);
    // Pad over what a longer line left behind.
    const std::size_t width = line.size();
    if (width < drawn_width_) line.append(drawn_width_ - width, ' ');
    std::fprintf(out_, "\r%s", line.c_str());
    std::fflush(out_);
    drawn_width_ = width;
}

void TransferProgress::ClearLine() {
    std::fprintf(out_, "\r%s\r", std::string(drawn_width_, ' ').c_str());
    drawn_width_ = 0;
}

void TransferProgress::PrintLine(const char *line) {
    // The bar comes back at its next turn, not at once: messages come once a block.
    if (terminal_ && drawn_width_ > 0) ClearLine();
    std::fprintf(out_, "%s\n", EscapeControls(line).c_str());
    std::fflush(out_);
}

}  // namespace portkit::tool
