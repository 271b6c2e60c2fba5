// Apart from pty_pair.cpp: the kernel's termios2 header clashes with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "support/pty_pair.h"

namespace portkit::test {

unsigned KernelSpeed(int fd) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0) return 0;
    return settings.c_ospeed;
}

}  // namespace portkit::test
