// The list of files to send and the local-time Unix values that time stamps
// travel in ("seconds since 1970" counted in local wall-clock time).
#ifndef PORTKIT_TRANSFER_FILE_LIST_H
#define PORTKIT_TRANSFER_FILE_LIST_H

#include <cstdint>
#include <cstdio>

#include "portkit/transfer.h"

namespace portkit::transfer {

// Deepest subdirectory level searched below the patterns's directory.
inline constexpr int kMaxDescent = 9;

// The error field of an entry whose file is 2 GiB or more: its size cannot be
// told in 32 bits, so the size field holds -1 and the sender must refuse the
// file. Not an errno value (those are positive) nor -601.
inline constexpr std::int32_t kFileTooLarge = -2;

// Enumerates the files named by `patterns`: names or wildcard patterns
// separated by blanks, tabs, line ends, commas or semicolons, each searched in
// its own directory and, when `descend` is set, depth first in the
// subdirectories below it down to kMaxDescent levels. Directories are never
// yielded; on POSIX only regular files are, since anything else could block
// an open. The string is not copied and must outlive the list. Null when
// memory is short. "next" fills path_name (in the name's own case on POSIX,
// lower-cased on Windows), size, time and the broken-down time; a pattern
// that finds nothing leaves its errno value in the error field, a lack of
// memory -601.
FileList *FileListCreate(const char *patterns, int descend);

// An entry describing the one file `name` names, taken literally. Its error
// field is non-zero when there is no such file; null when memory is short.
FileList *FileListForName(const char *name);

// Flushes the stream and sets its file's last-write time to the wall-clock
// time that `local_unix_time` names in this host's zone. Returns that value,
// or -1 (and leaves the file alone) for a negative value or a failure.
std::int32_t StampFileTime(std::FILE *stream, std::int32_t local_unix_time);

// Between local-time values and real (UTC) Unix seconds, by the zone's rules
// for the date in question. Out-of-range results saturate; when the zone has
// no answer the value comes back unchanged.
std::int32_t LocalUnixToUtc(std::int32_t local_seconds);
std::int32_t UtcToLocalUnix(std::int32_t utc_seconds);

}  // namespace portkit::transfer

#endif
