// Zone rules from the Windows time-zone settings and stamps set with
// SetFileTime on the stream's handle.
#include <windows.h>
#include <io.h>

#include "platform/file_time.h"

namespace portkit::platform {
namespace {

// FILETIME counts 100 ns steps from 1601-01-01.
constexpr std::int64_t kEpochDifference = 11644473600;
constexpr std::int64_t kTicksPerSecond = 10000000;

bool ToFileTime(std::int64_t utc, FILETIME *file_time) {
    if (utc < -kEpochDifference || utc > INT64_MAX / kTicksPerSecond - kEpochDifference) return false;
    const auto ticks = static_cast<std::uint64_t>((utc + kEpochDifference) * kTicksPerSecond);
    file_time->dwLowDateTime = static_cast<DWORD>(ticks);
    file_time->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return true;
}

std::int64_t FromFileTime(const FILETIME &file_time) {
    const std::uint64_t ticks = (static_cast<std::uint64_t>(file_time.dwHighDateTime) << 32) | file_time.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / kTicksPerSecond) - kEpochDifference;
}

}  // namespace

std::int64_t NowUtc() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return FromFileTime(now);
}

bool LocalFromUtc(std::int64_t utc, CivilTime *local) {
    FILETIME file_time;
    SYSTEMTIME universal;
    SYSTEMTIME wall;
    if (!ToFileTime(utc, &file_time) || !FileTimeToSystemTime(&file_time, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &wall)) {
        return false;
    }
    *local = {wall.wYear, wall.wMonth, wall.wDay, wall.wHour, wall.wMinute, wall.wSecond};
    return true;
}

bool UtcFromLocal(const CivilTime &local, std::int64_t *utc) {
    if (local.year < 1601 || local.year > 30827) return false;
    SYSTEMTIME wall{};
    wall.wYear = static_cast<WORD>(local.year);
    wall.wMonth = static_cast<WORD>(local.month);
    wall.wDay = static_cast<WORD>(local.day);
    wall.wHour = static_cast<WORD>(local.hour);
    wall.wMinute = static_cast<WORD>(local.minute);
    wall.wSecond = static_cast<WORD>(local.second);
    SYSTEMTIME universal;
    FILETIME file_time;
    // The zone's own rules pick standard or daylight time for that date.
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &wall, &universal) || !SystemTimeToFileTime(&universal, &file_time)) {
        return false;
    }
    *utc = FromFileTime(file_time);
    return true;
}

bool SetStreamModifiedTime(std::FILE *stream, std::int64_t utc) {
    FILETIME file_time;
    if (std::fflush(stream) != 0 || !ToFileTime(utc, &file_time)) return false;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (handle == INVALID_HANDLE_VALUE) return false;
    return SetFileTime(handle, nullptr, nullptr, &file_time) != 0;
}

}  // namespace portkit::platform
