#include "tools/cli/human_units.h"

#include <cmath>
#include <cstdio>

namespace portkit::tool {

std::string FormatBytes(std::int64_t bytes) {
    if (bytes < 1000) return std::to_string(bytes) + " B";
    static constexpr const char *kUnits[] = {"kB", "MB", "GB"};
    double value = static_cast<double>(bytes) / 1000.0;
    int unit = 0;
    // Switch unit before rounding could print "1000.0 kB".
    while (value >= 999.95 && unit < 2) {
        value /= 1000.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string FormatRate(double bytes_per_second) {
    if (!std::isfinite(bytes_per_second) || bytes_per_second <= 0) return "-";
    return FormatBytes(std::llround(bytes_per_second)) + "/s";
}

std::string FormatDuration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    char text[32];
    if (seconds < 60) {
        std::snprintf(text, sizeof text, "%.2f s", seconds);
        return text;
    }
    return FormatClock(seconds);
}

std::string FormatClock(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    char text[32];
    const long whole = std::lround(seconds);
    if (whole < 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    }
    return text;
}

}  // namespace portkit::tool
