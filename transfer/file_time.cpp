// Local-time Unix values: the calendar arithmetic that makes them and their
// conversion to and from real time for the wire and for file stamps.
#include <cstdint>
#include <limits>

#include "platform/file_time.h"
#include "transfer/file_list.h"

namespace portkit::transfer {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kJulianDayOf1970 = 2440588;

// Fliegel and Van Flandern's Julian day number, with C's truncating division
// as the formula expects. 64-bit so that no argument can overflow it.
std::int64_t JulianDay(std::int64_t year, std::int64_t month, std::int64_t day) {
    const std::int64_t d = (month - 14) / 12;
    return day - 32075 + 1461 * (year + 4800 + d) / 4 + 367 * (month - 2 - 12 * d) / 12 -
           3 * ((year + 4900 + d) / 100) / 4;
}

// The inverse: the calendar date of a Julian day number.
void CalendarDate(std::int64_t julian_day, platform::CivilTime *civil) {
    std::int64_t l = julian_day + 68569;
    const std::int64_t n = 4 * l / 146097;
    l -= (146097 * n + 3) / 4;
    const std::int64_t i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    const std::int64_t j = 80 * l / 2447;
    civil->day = static_cast<int>(l - 2447 * j / 80);
    l = j / 11;
    civil->month = static_cast<int>(j + 2 - 12 * l);
    civil->year = static_cast<int>(100 * (n - 49) + i + l);
}

std::int32_t Saturate(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::int64_t LocalSecondsOf(const platform::CivilTime &civil) {
    return (JulianDay(civil.year, civil.month, civil.day) - kJulianDayOf1970) * kSecondsPerDay +
           std::int64_t{civil.hour} * 3600 + std::int64_t{civil.minute} * 60 + civil.second;
}

// The UTC instant of a local-time value; the value itself when the zone has
// no answer, so that a stamp is at worst off by the zone's offset.
std::int64_t UtcOfLocal(std::int64_t local) {
    std::int64_t days = local / kSecondsPerDay;
    std::int64_t seconds = local % kSecondsPerDay;
    if (seconds < 0) {
        seconds += kSecondsPerDay;
        --days;
    }
    platform::CivilTime civil{};
    CalendarDate(days + kJulianDayOf1970, &civil);
    civil.hour = static_cast<int>(seconds / 3600);
    civil.minute = static_cast<int>(seconds / 60 % 60);
    civil.second = static_cast<int>(seconds % 60);
    std::int64_t utc = 0;
    return platform::UtcFromLocal(civil, &utc) ? utc : local;
}

}  // namespace

std::int32_t LocalUnixToUtc(std::int32_t local_seconds) { return Saturate(UtcOfLocal(local_seconds)); }

std::int32_t UtcToLocalUnix(std::int32_t utc_seconds) {
    platform::CivilTime civil{};
    if (!platform::LocalFromUtc(utc_seconds, &civil)) return utc_seconds;
    return Saturate(LocalSecondsOf(civil));
}

std::int32_t StampFileTime(std::FILE *stream, std::int32_t local_unix_time) {
    if (stream == nullptr || local_unix_time < 0) return -1;
    return platform::SetStreamModifiedTime(stream, UtcOfLocal(local_unix_time)) ? local_unix_time : -1;
}

}  // namespace portkit::transfer

extern "C" {

PORTKIT_API int32_t CreateUnixTime(int year, int month, int day, int hour, int minute, int second) {
    const std::int64_t days = portkit::transfer::JulianDay(year, month, day) - portkit::transfer::kJulianDayOf1970;
    if (days < 0) return 0;
    // Past 2038-01-19 the value no longer fits; the largest one is the
    // nearest answer, where wrapping would give a date before 1970.
    return portkit::transfer::Saturate(days * portkit::transfer::kSecondsPerDay + std::int64_t{hour} * 3600 +
                                       std::int64_t{minute} * 60 + second);
}

}  // extern "C"
