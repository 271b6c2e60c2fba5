// Standard speed constants, and arbitrary rates through termios2 on Linux.
// Kept apart because the kernel's termios2 header clashes with <termios.h>.
#include <cerrno>
#include <sys/ioctl.h>

#if defined(__linux__)
#include <asm/termbits.h>
#endif

#include "platform/posix/comm/tty_endpoint.h"

namespace portkit::posix {

bool SetArbitrarySpeed([[maybe_unused]] int fd, [[maybe_unused]] unsigned rate) {
#if defined(__linux__) && defined(TCGETS2) && defined(BOTHER)
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0) return false;
    settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    settings.c_cflag |= BOTHER;
    settings.c_ispeed = rate;
    settings.c_ospeed = rate;
    settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD << IBSHIFT);
    settings.c_cflag |= BOTHER << IBSHIFT;
    if (ioctl(fd, TCSETS2, &settings) != 0) return false;
    // A driver may round the rate; a far-off result is a refusal.
    if (ioctl(fd, TCGETS2, &settings) != 0) return false;
    const unsigned actual = settings.c_ospeed;
    if (actual == 0 || (actual > rate ? actual - rate : rate - actual) * 50 > rate) {
        errno = EINVAL;
        return false;
    }
    return true;
#else
    errno = EINVAL;
    return false;
#endif
}

}  // namespace portkit::posix
