// Byte counts, rates and durations written for people.
#ifndef PORTKIT_TOOLS_CLI_HUMAN_UNITS_H
#define PORTKIT_TOOLS_CLI_HUMAN_UNITS_H

#include <cstdint>
#include <string>

namespace portkit::tool {

// "999 B", "1.5 kB", "12.0 MB" (powers of 1000).
std::string FormatBytes(std::int64_t bytes);
// "850 B/s", "11.2 kB/s"; "-" when nothing can be said yet.
std::string FormatRate(double bytes_per_second);
// "0.42 s" under a minute, else "m:ss" or "h:mm:ss".
std::string FormatDuration(double seconds);
// Whole seconds as "m:ss" or "h:mm:ss", for times still to come.
std::string FormatClock(double seconds);

}  // namespace portkit::tool

#endif
