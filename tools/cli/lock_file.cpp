#include "tools/cli/lock_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace portkit::tool {

std::string LockFileName(const std::string &device_path) {
    const std::size_t slash = device_path.find_last_of('/');
    return "LCK.." + (slash == std::string::npos ? device_path : device_path.substr(slash + 1));
}

std::string LockFileText(long pid) {
    char text[32];
    std::snprintf(text, sizeof text, "%10ld\n", pid);
    return text;
}

std::optional<long> LockFileOwner(std::string_view text) {
    constexpr long kLargestPid = 1L << 22;  // Linux's ceiling; anything above is not a pid
    std::size_t at = text.find_first_not_of(' ');
    if (at == std::string_view::npos) return std::nullopt;
    long pid = 0;
    std::size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
        pid = pid * 10 + (text[at] - '0');
        if (pid > kLargestPid) return std::nullopt;
    }
    const bool ascii = digits > 0 && text.substr(at).find_first_not_of(" \n") == std::string_view::npos;
    if (!ascii && text.size() == sizeof(std::int32_t)) {
        std::int32_t binary = 0;
        std::memcpy(&binary, text.data(), sizeof binary);
        pid = binary;
    } else if (!ascii) {
        return std::nullopt;
    }
    if (pid <= 0 || pid > kLargestPid) return std::nullopt;
    return pid;
}

}  // namespace portkit::tool
