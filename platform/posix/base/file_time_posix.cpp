// Zone rules from the C library (TZ and the zone database) and stamps set
// with futimens.
#include <sys/stat.h>

#include <ctime>
#include <limits>

#include "platform/file_time.h"

namespace portkit::platform {

std::int64_t NowUtc() { return static_cast<std::int64_t>(std::time(nullptr)); }

bool LocalFromUtc(std::int64_t utc, CivilTime *local) {
    if (utc < std::numeric_limits<time_t>::min() || utc > std::numeric_limits<time_t>::max()) return false;
    // localtime_r need not look at TZ again; a changed zone must count.
    tzset();
    const time_t instant = static_cast<time_t>(utc);
    std::tm broken{};
    if (localtime_r(&instant, &broken) == nullptr) return false;
    *local = {broken.tm_year + 1900, broken.tm_mon + 1, broken.tm_mday, broken.tm_hour, broken.tm_min, broken.tm_sec};
    return true;
}

bool UtcFromLocal(const CivilTime &local, std::int64_t *utc) {
    std::tm broken{};
    broken.tm_year = local.year - 1900;
    broken.tm_mon = local.month - 1;
    broken.tm_mday = local.day;
    broken.tm_hour = local.hour;
    broken.tm_min = local.minute;
    broken.tm_sec = local.second;
    broken.tm_isdst = -1;  // let the zone decide whether that date is in summer time
    broken.tm_wday = -1;   // untouched only when mktime fails; -1 is also a valid time
    const time_t instant = mktime(&broken);
    if (instant == static_cast<time_t>(-1) && broken.tm_wday == -1) return false;
    *utc = static_cast<std::int64_t>(instant);
    return true;
}

bool SetStreamModifiedTime(std::FILE *stream, std::int64_t utc) {
    if (std::fflush(stream) != 0) return false;
    timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;  // leave the access time alone
    times[1].tv_sec = static_cast<time_t>(utc);
    return futimens(fileno(stream), times) == 0;
}

}  // namespace portkit::platform
