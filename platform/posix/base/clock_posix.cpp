// Time and thread identity over POSIX.
#include <ctime>

#include "platform/platform.h"

namespace portkit::platform {

std::uint32_t SystemTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t ms =
        static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

int LocalSeconds() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    // tm_sec can be 60 on a leap second; the contract is 0..59.
    return local.tm_sec > 59 ? 59 : local.tm_sec;
}

void *CurrentThreadKey() {
    // Like the Win32 pseudo-handle: one constant value shared by all threads.
    return reinterpret_cast<void *>(static_cast<std::intptr_t>(-2));
}

}  // namespace portkit::platform
