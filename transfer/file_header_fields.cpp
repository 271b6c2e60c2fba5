#include "transfer/file_header_fields.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "transfer/file_list.h"

namespace portkit::transfer {

FileHeaderFields ParseFileHeaderFields(const char *text, std::int32_t unknown_length) {
    FileHeaderFields fields{unknown_length, -1, -1};
    char *end = nullptr;
    errno = 0;
    const long long length = std::strtoll(text, &end, 10);
    if (end == text) return fields;
    if (errno == 0 && length >= 0 && length <= INT32_MAX) fields.length = static_cast<std::int32_t>(length);
    const char *time_text = end;
    errno = 0;
    const unsigned long long time = std::strtoull(time_text, &end, 8);
    if (end == time_text) return fields;
    if (errno == 0 && time > 0 && time <= INT32_MAX) fields.time = UtcToLocalUnix(static_cast<std::int32_t>(time));
    const char *mode_text = end;
    errno = 0;
    const unsigned long long mode = std::strtoull(mode_text, &end, 8);
    if (end != mode_text && errno == 0 && (mode & 0777) != 0) fields.mode = static_cast<std::int32_t>(mode & 07777);
    return fields;
}

int FormatFileHeaderFields(char *out, std::size_t room, std::int32_t length, std::int32_t local_time, int mode) {
    return std::snprintf(out, room, "%ld %lo %o", static_cast<long>(length),
                         static_cast<unsigned long>(static_cast<std::uint32_t>(LocalUnixToUtc(local_time))),
                         static_cast<unsigned>(mode));
}

}  // namespace portkit::transfer
