// Typed and pasted bytes on their way to the far end, paced as
// --output-delay and --line-delay ask: a pause after each byte, and a
// longer one after each CR, for a device that reads slowly.
#ifndef PORTKIT_TOOLS_TERM_PACED_OUTPUT_H
#define PORTKIT_TOOLS_TERM_PACED_OUTPUT_H

#include <chrono>
#include <string>
#include <string_view>

namespace portkit::tool {

class PacedOutput {
public:
    using Clock = std::chrono::steady_clock;

    PacedOutput(int byte_delay_ms, int line_delay_ms) : byte_delay_(byte_delay_ms), line_delay_(line_delay_ms) {}

    void Push(std::string_view bytes) { waiting_.append(bytes); }
    bool Empty() const { return waiting_.empty(); }
    // The bytes due at `now`: all of them without delays, else one at a
    // time as each pause ends.
    std::string TakeDue(Clock::time_point now);

private:
    std::chrono::milliseconds byte_delay_, line_delay_;
    std::string waiting_;
    Clock::time_point next_{};
};

}  // namespace portkit::tool

#endif
