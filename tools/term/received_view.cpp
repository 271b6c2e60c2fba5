#include "tools/term/received_view.h"

#include <cstdio>

namespace portkit::tool {
namespace {

constexpr int kHexPerLine = 16;

}  // namespace

std::string TimestampText(const std::tm &local, int milliseconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d ", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, milliseconds);
    return text;
}

std::string LocalTimestamp(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    const auto since_second = when - std::chrono::system_clock::from_time_t(seconds);
    long milliseconds = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(since_second).count());
    if (milliseconds < 0) milliseconds = 0;  // to_time_t may round up
    if (milliseconds > 999) milliseconds = 999;
    const std::tm *local = std::localtime(&seconds);  // the tool's one thread
    return local == nullptr ? std::string() : TimestampText(*local, static_cast<int>(milliseconds));
}

std::string ReceivedView::Stamp() { return timestamps ? LocalTimestamp(clock_()) : std::string(); }

std::string ReceivedView::Render(std::string_view bytes) {
    if (!hex && !timestamps) {
        if (!bytes.empty()) line_start_ = bytes.back() == '\n';
        return std::string(bytes);
    }
    std::string out;
    for (char c : bytes) {
        if (line_start_) {
            out += Stamp();
            line_start_ = false;
        }
        if (!hex) {
            out.push_back(c);
            line_start_ = c == '\n';
            continue;
        }
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
        if (hex_column_ > 0) out.push_back(' ');
        out += pair;
        if (++hex_column_ == kHexPerLine) {
            out += "\r\n";
            hex_column_ = 0;
            line_start_ = true;
        }
    }
    return out;
}

}  // namespace portkit::tool
