#include "tools/term/paced_output.h"

namespace portkit::tool {

std::string PacedOutput::TakeDue(Clock::time_point now) {
    if (byte_delay_.count() == 0 && line_delay_.count() == 0) {
        std::string all;
        all.swap(waiting_);
        return all;
    }
    std::string due;
    while (!waiting_.empty() && now >= next_) {
        const char c = waiting_.front();
        waiting_.erase(0, 1);
        due.push_back(c);
        const auto pause = byte_delay_ + (c == '\r' ? line_delay_ : std::chrono::milliseconds(0));
        if (pause.count() > 0) next_ = now + pause;
    }
    return due;
}

}  // namespace portkit::tool
