// The fields that follow a file's name in YMODEM's block 0 and ZMODEM's
// ZFILE data: length in decimal, then time and mode in octal, as lrzsz
// writes them.
#ifndef PORTKIT_TRANSFER_FILE_HEADER_FIELDS_H
#define PORTKIT_TRANSFER_FILE_HEADER_FIELDS_H

#include <cstddef>
#include <cstdint>

namespace portkit::transfer {

struct FileHeaderFields {
    std::int32_t length;  // `unknown_length` when absent or unreadable
    std::int32_t time;    // local-time Unix seconds, -1 unknown
    std::int32_t mode;    // permission bits, -1 unknown
};

// Reads "length [octal-time [octal-mode ...]]". A field that does not parse,
// a time of 0 and a mode without permission bits stay unknown.
FileHeaderFields ParseFileHeaderFields(const char *text, std::int32_t unknown_length);

// Writes "length octal-time octal-mode" (time in UTC on the wire; a mode of
// 0 says "unknown"). Returns what snprintf returns.
int FormatFileHeaderFields(char *out, std::size_t room, std::int32_t length, std::int32_t local_time, int mode);

}  // namespace portkit::transfer

#endif
