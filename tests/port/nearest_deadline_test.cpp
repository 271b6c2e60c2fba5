// The nearest deadline a thread has set, which the default idle wait sleeps
// until: an earlier one replaces a later one, one that has passed gives way
// to the next one set, and each thread keeps its own.
#include <gtest/gtest.h>

#include <thread>

#include "port/port_internal.h"

namespace portkit::test {
namespace {

// Lets every deadline set so far on this thread pass.
void PassAll() {
    const int32_t now = ElapsedTime();
    NoteDeadline(now, now);
    while (MillisecondsToNearestDeadline() > 0) {
    }
}

TEST(NearestDeadline, TheEarliestAheadCountsAndAPassedOneGivesWay) {
    PassAll();
    EXPECT_EQ(MillisecondsToNearestDeadline(), 0);
    DeadlineAfter(60000);
    const int32_t long_wait = MillisecondsToNearestDeadline();
    EXPECT_GT(long_wait, 50000);
    EXPECT_LE(long_wait, 60000);
    // A shorter wait inside the long one: it must not sleep past its own end.
    DeadlineAfter(30);
    EXPECT_LE(MillisecondsToNearestDeadline(), 30);
    EXPECT_GT(MillisecondsToNearestDeadline(), 0);
    // A later deadline does not push the nearer one back.
    DeadlineAfter(40000);
    EXPECT_LE(MillisecondsToNearestDeadline(), 30);
    // Once the short one has passed, the next deadline set counts.
    PassAll();
    DeadlineAfter(20000);
    EXPECT_GT(MillisecondsToNearestDeadline(), 10000);
}

// A short wait inside a long one: once the short one is over, the long one's
// next check must bring its deadline back, or its idle turns would shrink to
// a millisecond each for the rest of it.
TEST(NearestDeadline, AWaitStillGoingIsKnownAgainAtItsNextCheck) {
    PassAll();
    const int32_t outer = DeadlineAfter(60000);
    DeadlineAfter(1);
    while (MillisecondsToNearestDeadline() > 0) {
    }
    EXPECT_FALSE(DeadlineReached(outer));
    EXPECT_GT(MillisecondsToNearestDeadline(), 50000);
}

TEST(NearestDeadline, EachThreadKeepsItsOwn) {
    PassAll();
    DeadlineAfter(20);
    int32_t other = -1;
    std::thread([&other] {
        other = MillisecondsToNearestDeadline();
        DeadlineAfter(50000);
    }).join();
    EXPECT_EQ(other, 0);
    EXPECT_LE(MillisecondsToNearestDeadline(), 20);
}

}  // namespace
}  // namespace portkit::test
