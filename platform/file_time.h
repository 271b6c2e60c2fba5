// Local-time rules of the host's time zone and file time stamps.
#ifndef PORTKIT_PLATFORM_FILE_TIME_H
#define PORTKIT_PLATFORM_FILE_TIME_H

#include <cstdint>
#include <cstdio>

namespace portkit::platform {

// A calendar time with the full year and month 1..12.
struct CivilTime {
    int year, month, day, hour, minute, second;
};

// UTC seconds since 1970 now.
std::int64_t NowUtc();

// The wall-clock time of the host's zone at a UTC instant; false when the
// zone has no answer for it.
bool LocalFromUtc(std::int64_t utc, CivilTime *local);

// The UTC instant of a wall-clock time of the host's zone, daylight saving
// time taken from the zone's rules for that date. A time that the clock skips
// or repeats maps to one of its neighbours.
bool UtcFromLocal(const CivilTime &local, std::int64_t *utc);

// Writes out the stream's buffered data, so that closing it later cannot
// touch the file again, and sets the file's last-write time.
bool SetStreamModifiedTime(std::FILE *stream, std::int64_t utc);

}  // namespace portkit::platform

#endif
