// Sets TZ for a test and puts the previous value back afterwards. Transfer
// tests run in a zone away from UTC, so any slip between wire and local
// times shows.
#ifndef PORTKIT_TESTS_SUPPORT_TIME_ZONE_H
#define PORTKIT_TESTS_SUPPORT_TIME_ZONE_H

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace portkit::test {

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char *zone) {
        if (const char *tz = std::getenv("TZ")) saved_ = tz;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone &) = delete;
    ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

private:
    std::optional<std::string> saved_;
};

}  // namespace portkit::test

#endif
