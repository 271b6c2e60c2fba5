#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "tools/cli/port_failure.h"

namespace portkit::tool {
namespace {

bool InGroup(gid_t group) {
    if (getegid() == group) return true;
    const int count = getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[static_cast<std::size_t>(i)] == group) return true;
    }
    return false;
}

// Serial devices belong to a group (dialout on Debian) whose members may
// use them; the usual cure for a refusal is to join it.
std::string GroupHint(const std::string &device) {
    struct stat status {};
    if (stat(device.c_str(), &status) != 0 || !S_ISCHR(status.st_mode) || InGroup(status.st_gid)) return "";
    const group *owner = getgrgid(status.st_gid);
    if (owner == nullptr || (status.st_mode & S_IRWXG) == 0) return "";
    return std::string(" (add yourself to the ") + owner->gr_name + " group, then log in again)";
}

}  // namespace

std::string PortFailureReason(PortStructure *port, const std::string &device) {
    switch (PWGetSystemError(port)) {
        case 0:
            return "the system gave no reason";
        case EACCES:
        case EPERM:
            return "Permission denied" + GroupHint(device);
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return "No such device";
        case EBUSY:
            return "Device or resource busy: another program has it open";
        default:
            break;
    }
    char text[256];
    PWGetSystemErrorText(port, text, sizeof text);
    return text;
}

}  // namespace portkit::tool
