#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>

#if defined(__linux__)
#include <linux/serial.h>
#endif

#include "tools/cli/port_listing.h"

namespace portkit::tool {
namespace {

std::vector<std::string> DirectoryEntries(const std::string &directory) {
    std::vector<std::string> names;
    if (DIR *dir = opendir(directory.c_str())) {
        while (dirent *entry = readdir(dir)) {
            if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// /dev/ttyS nodes exist for every possible UART; only those with one behind
// them count.
bool UartPresent(const std::string &path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno == EBUSY || errno == EACCES;
    bool present = true;
#if defined(__linux__) && defined(TIOCGSERIAL)
    serial_struct info{};
    if (ioctl(fd, TIOCGSERIAL, &info) == 0) present = info.type != PORT_UNKNOWN;
#endif
    close(fd);
    return present;
}

int TtySNumber(const std::string &name) {
    if (name.compare(0, 4, "ttyS") != 0 || name.size() == 4) return -1;
    for (std::size_t i = 4; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
    }
    return std::atoi(name.c_str() + 4);
}

}  // namespace

std::vector<SerialDevice> ListSerialDevices() {
    std::vector<SerialDevice> devices;
    // Stable names for USB adapters, keyed by the device they point at.
    std::map<std::string, std::string> by_id;
    for (const std::string &link : DirectoryEntries("/dev/serial/by-id")) {
        char target[PATH_MAX];
        if (realpath(("/dev/serial/by-id/" + link).c_str(), target) != nullptr) by_id[target] = link;
    }
    // Mappings set in the environment come first: they are what port numbers mean here.
    std::map<std::string, int> mapped;
    for (int n = 1; n <= 256; ++n) {
        if (const char *path = std::getenv(("PORTKIT_COM" + std::to_string(n)).c_str())) {
            mapped[path] = n - 1;
            devices.push_back({n - 1, path, "PORTKIT_COM" + std::to_string(n)});
        }
    }
    for (const std::string &name : DirectoryEntries("/dev")) {
        const bool usb = name.compare(0, 6, "ttyUSB") == 0 || name.compare(0, 6, "ttyACM") == 0;
        const int uart = TtySNumber(name);
        if (!usb && uart < 0) continue;
        const std::string path = "/dev/" + name;
        if (mapped.count(path) != 0) continue;
        if (uart >= 0 && !UartPresent(path)) continue;
        const auto id = by_id.find(path);
        devices.push_back({uart, path, id != by_id.end() ? "by-id: " + id->second : std::string()});
    }
    return devices;
}

}  // namespace portkit::tool
