#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "tools/cli/line_settings_text.h"
#include "tools/cli/port_device.h"
#include "tools/cli/termios_rates.h"

namespace portkit::tool {
namespace {

// The library keeps the port's descriptor to itself; the one this process
// has open on the same terminal device is it. -1 when there is none.
int PortDescriptor(const std::string &path) {
    struct stat wanted {};
    if (stat(path.c_str(), &wanted) != 0 || !S_ISCHR(wanted.st_mode)) return -1;
    const long limit = sysconf(_SC_OPEN_MAX);
    int found = -1;
    for (int fd = STDERR_FILENO + 1; fd < (limit > 0 && limit < 65536 ? limit : 1024); ++fd) {
        struct stat open_file {};
        if (fstat(fd, &open_file) == 0 && S_ISCHR(open_file.st_mode) && open_file.st_rdev == wanted.st_rdev &&
            isatty(fd) == 1) {
            found = fd;  // the newest, should a second one be open
        }
    }
    return found;
}

std::string SpeedText(speed_t speed) {
    const long rate = RateOfSpeed(speed);
    return rate > 0 ? std::to_string(rate) : "non-standard";
}

const char *ParityText(tcflag_t cflag) {
    if ((cflag & PARENB) == 0) return "none";
#ifdef CMSPAR
    if ((cflag & CMSPAR) != 0) return (cflag & PARODD) != 0 ? "mark" : "space";
#endif
    return (cflag & PARODD) != 0 ? "odd" : "even";
}

int DataBits(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

const char *OnOff(bool on) { return on ? "on" : "off"; }

void PrintModemLines(std::FILE *out, int fd) {
    int bits = 0;
    if (ioctl(fd, TIOCMGET, &bits) != 0) {
        std::fprintf(out, "  Modem lines:  none (the device has no modem control)\n");
        return;
    }
    std::fprintf(out, "  Modem lines:  DTR %s  RTS %s  CTS %s  DSR %s  CD %s  RI %s\n", OnOff(bits & TIOCM_DTR),
                 OnOff(bits & TIOCM_RTS), OnOff(bits & TIOCM_CTS), OnOff(bits & TIOCM_DSR), OnOff(bits & TIOCM_CAR),
                 OnOff(bits & TIOCM_RNG));
}

void PrintQueues(std::FILE *out, int fd) {
    int in = 0;
    int pending_out = 0;
    if (ioctl(fd, TIOCINQ, &in) != 0) in = -1;
    if (ioctl(fd, TIOCOUTQ, &pending_out) != 0) pending_out = -1;
    std::fprintf(out, "  Bytes waiting:  %d in, %d out\n", in, pending_out);
}

}  // namespace

void PrintSystemLineSettings(std::FILE *out, const std::string &device) {
    const int fd = PortDescriptor(DevicePathFor(device));
    termios tio{};
    if (fd < 0 || tcgetattr(fd, &tio) != 0) return;
    std::fprintf(out, "Line (as the system has it):\n");
    std::fprintf(out, "  Speed:  %s in, %s out\n", SpeedText(cfgetispeed(&tio)).c_str(),
                 SpeedText(cfgetospeed(&tio)).c_str());
    std::fprintf(out, "  Data bits: %d  Parity: %s  Stop bits: %d\n", DataBits(tio.c_cflag), ParityText(tio.c_cflag),
                 (tio.c_cflag & CSTOPB) != 0 ? 2 : 1);
    std::fprintf(out, "  Flow control:  RTS/CTS %s  XON/XOFF %s sending, %s receiving\n",
                 OnOff((tio.c_cflag & CRTSCTS) != 0), OnOff((tio.c_iflag & IXON) != 0),
                 OnOff((tio.c_iflag & IXOFF) != 0));
    PrintModemLines(out, fd);
    PrintQueues(out, fd);
}

}  // namespace portkit::tool
