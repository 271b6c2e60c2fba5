// The library's one clock: the system's, unless a test has put its own in.
#include <atomic>

#include "platform/platform.h"

namespace portkit::platform {
namespace {

std::atomic<ClockFunction> replacement{nullptr};

}  // namespace

void ReplaceClock(ClockFunction clock) { replacement.store(clock, std::memory_order_relaxed); }

std::uint32_t TickCount() {
    const ClockFunction clock = replacement.load(std::memory_order_relaxed);
    return clock != nullptr ? clock() : SystemTickCount();
}

}  // namespace portkit::platform
