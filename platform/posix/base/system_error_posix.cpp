#include <cerrno>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/comm/win32_comm.h"

namespace portkit::platform {

int LastSystemError() { return win32_imitation::LastErrno(); }

std::string SystemErrorText(int code) {
    // strerror's "Inappropriate ioctl for device" says nothing to a user who
    // named a file that is not a serial device.
    if (code == ENOTTY) return "Not a serial device";
    return std::strerror(code);
}

}  // namespace portkit::platform
