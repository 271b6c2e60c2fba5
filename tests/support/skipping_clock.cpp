#include "support/skipping_clock.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/platform.h"
#include "port/port_internal.h"

namespace portkit::test {
namespace {

// An idle turn this long without a byte is a quiet one; this much quiet in a
// row, and nothing is coming before the deadline. A peer thread of the test
// answers well within it even on a loaded machine.
constexpr std::uint32_t kQuietTurnMs = 50;
constexpr std::uint32_t kQuietBeforeSkipMs = 200;

// Kept from one clock to the next, so time under them never runs backwards.
std::atomic<std::uint32_t> skipped{0};
thread_local std::uint32_t quiet_so_far = 0;
// When the last skip happened, on the system's clock: every waiting thread
// gets a quiet spell of its own after one, to note its next deadline.
std::atomic<std::uint32_t> last_skip{0};

std::uint32_t SkippedTime() { return platform::SystemTickCount() + skipped.load(); }

// Each waiting thread's deadline, and when (on the system's clock) it noted
// it. A skip goes no further than the nearest deadline ahead, so a test's
// peer waiting long never carries an engine's shorter wait past its end; and
// none happens while a thread whose deadline has come has not yet noted its
// next one (it is between two waits), unless it has stayed away so long that
// it is waiting no more.
struct Wait {
    std::uint32_t deadline;
    std::uint32_t noted_at;
};
constexpr std::uint32_t kWaitingNoMoreMs = 2000;
std::mutex waits_lock;
std::map<std::thread::id, Wait> waits;

bool Ahead(std::uint32_t deadline, std::uint32_t now) { return static_cast<std::int32_t>(deadline - now) > 0; }

void NoteWait(std::int32_t left) {
    const std::lock_guard hold(waits_lock);
    if (left > 0) {
        waits[std::this_thread::get_id()] = {SkippedTime() + static_cast<std::uint32_t>(left),
                                             platform::SystemTickCount()};
    } else {
        waits.erase(std::this_thread::get_id());
    }
}

void SkipToNearestDeadline() {
    const std::lock_guard hold(waits_lock);
    const std::uint32_t now = SkippedTime();
    std::optional<std::uint32_t> nearest;
    for (auto wait = waits.begin(); wait != waits.end();) {
        const auto [deadline, noted_at] = wait->second;
        if (Ahead(deadline, now)) {
            if (!nearest || Ahead(*nearest, deadline)) nearest = deadline;
        } else if (platform::SystemTickCount() - noted_at < kWaitingNoMoreMs) {
            return;
        } else {
            wait = waits.erase(wait);
            continue;
        }
        ++wait;
    }
    if (nearest) skipped += *nearest - now;
}

int SkipWhenQuiet(PortStructure *port) {
    NoteWait(MillisecondsToNearestDeadline());
    const std::uint32_t before = platform::SystemTickCount();
    DefaultPortIdleFunction(port);
    const std::uint32_t waited = platform::SystemTickCount() - before;
    if (waited < kQuietTurnMs) {
        quiet_so_far = 0;
        return 0;
    }
    quiet_so_far += waited;
    const std::uint32_t since_last_skip = platform::SystemTickCount() - last_skip.load();
    if (quiet_so_far >= kQuietBeforeSkipMs && since_last_skip >= kQuietBeforeSkipMs) {
        quiet_so_far = 0;
        last_skip = platform::SystemTickCount();
        SkipToNearestDeadline();
    }
    return 0;
}

}  // namespace

SkippingClock::SkippingClock() {
    quiet_so_far = 0;
    platform::ReplaceClock(SkippedTime);
    SetPortIdleFunctionPtr(SkipWhenQuiet);
}

SkippingClock::~SkippingClock() {
    SetPortIdleFunctionPtr(nullptr);
    platform::ReplaceClock(nullptr);
    const std::lock_guard hold(waits_lock);
    waits.clear();
}

}  // namespace portkit::test
