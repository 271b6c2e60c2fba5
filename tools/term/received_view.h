// How received bytes look on the screen in pass-through mode: as they are,
// or as hex pairs (16 to a line, as tio's hex mode with a line width), each
// line begun with the local time when timestamps are on.
#ifndef PORTKIT_TOOLS_TERM_RECEIVED_VIEW_H
#define PORTKIT_TOOLS_TERM_RECEIVED_VIEW_H

#include <chrono>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace portkit::tool {

using WallClock = std::function<std::chrono::system_clock::time_point()>;

// "2026-12-10T17:03:04.123 ": the local time `when` stands for, to the
// millisecond, with the blank that separates it from the line.
std::string TimestampText(const std::tm &local, int milliseconds);
std::string LocalTimestamp(std::chrono::system_clock::time_point when);

class ReceivedView {
public:
    explicit ReceivedView(WallClock clock = std::chrono::system_clock::now) : clock_(std::move(clock)) {}

    bool hex = false;
    bool timestamps = false;

    // The screen text for `bytes`, which follow those of the earlier calls.
    std::string Render(std::string_view bytes);
    // The tool wrote a line of its own: the next byte begins a line.
    void LineBroken() {
        line_start_ = true;
        hex_column_ = 0;
    }

private:
    std::string Stamp();

    WallClock clock_;
    bool line_start_ = true;  // the next byte begins a line
    int hex_column_ = 0;      // pairs on the current hex line
};

}  // namespace portkit::tool

#endif
