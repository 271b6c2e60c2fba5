// A clock that skips the silent stretches of a wait. While one is alive it
// stands in for the system's clock and idle hook: time runs as usual while
// anything happens on the line, but a wait that has heard nothing for a
// fifth of a second jumps straight to its deadline. Time-outs of seconds
// pass in a fraction of one, and ElapsedTime still reads as if they had
// been waited out, so tests can check how long the library waited.
#ifndef PORTKIT_TESTS_SUPPORT_SKIPPING_CLOCK_H
#define PORTKIT_TESTS_SUPPORT_SKIPPING_CLOCK_H

namespace portkit::test {

class SkippingClock {
public:
    SkippingClock();
    ~SkippingClock();
    SkippingClock(const SkippingClock &) = delete;
    SkippingClock &operator=(const SkippingClock &) = delete;
};

}  // namespace portkit::test

#endif
