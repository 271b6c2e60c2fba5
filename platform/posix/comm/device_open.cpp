#include "platform/posix/comm/device_open.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/posix/comm/sim_line.h"
#include "platform/posix/comm/tty_endpoint.h"
#include "platform/posix/comm/win32_comm.h"

namespace portkit::posix {
namespace {

// The number n of a "\\.\COMn" name, or 0.
int ComNumber(std::string_view name) {
    constexpr std::string_view kPrefix = "\\\\.\\COM";
    if (name.substr(0, kPrefix.size()) != kPrefix) return 0;
    int number = 0;
    for (char c : name.substr(kPrefix.size())) {
        if (c < '0' || c > '9' || number > 100000) return 0;
        number = number * 10 + (c - '0');
    }
    return number;
}

bool ParseDescriptor(std::string_view text, int *fd) {
    if (text.empty()) return false;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > 100000) return false;
        value = value * 10 + (c - '0');
    }
    *fd = value;
    return true;
}

}  // namespace

std::string ResolveDeviceName(const std::string &name) {
    const int number = ComNumber(name);
    if (number <= 0) return name;
    const std::string variable = "PORTKIT_COM" + std::to_string(number);
    if (const char *mapped = std::getenv(variable.c_str()); mapped != nullptr && *mapped != '\0') return mapped;
    return "/dev/ttyS" + std::to_string(number - 1);
}

std::unique_ptr<LineEndpoint> OpenDevice(const std::string &device) {
    const std::string_view name(device);
    if (name.substr(0, 4) == "sim:") {
        const std::size_t colon = name.rfind(':');
        if (colon <= 4 || colon + 2 != name.size()) {
            errno = ENOENT;
            return nullptr;
        }
        return OpenSimEnd(std::string(name.substr(4, colon - 4)), name[colon + 1]);
    }
    if (name.substr(0, 3) == "fd:") {
        // "fd:N" uses one descriptor both ways; "fd:IN,OUT" two.
        const std::string_view descriptors = name.substr(3);
        const std::size_t comma = descriptors.find(',');
        int in = -1;
        int out = -1;
        const bool valid = comma == std::string_view::npos
                               ? ParseDescriptor(descriptors, &in) && ParseDescriptor(descriptors, &out)
                               : ParseDescriptor(descriptors.substr(0, comma), &in) &&
                                     ParseDescriptor(descriptors.substr(comma + 1), &out);
        if (!valid) {
            errno = ENOENT;
            return nullptr;
        }
        return AdoptDescriptors(in, out);
    }
    return OpenTty(device);
}

unsigned ErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTTY:
        case ENXIO:
        case ENODEV:
        case EIO:
        case EBADF:
            return ERROR_FILE_NOT_FOUND;  // no such device on this machine
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EBUSY:
            return ERROR_ACCESS_DENIED;  // held by someone else
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        default:
            return ERROR_GEN_FAILURE;
    }
}

}  // namespace portkit::posix
