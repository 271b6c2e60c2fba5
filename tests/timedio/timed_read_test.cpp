// Waiting reads of a character and of a block.
#include <gtest/gtest.h>

#include <string>

#include "portkit/timedio.h"
#include "support/scripted_driver.h"

namespace portkit::test {
namespace {

class TimedRead : public ScriptedPortTest {
protected:
    char buffer[16] = {};
};

TEST_F(TimedRead, CharWithoutLimitWaitsForTheByteOrTheHook) {
    driver.Pause(30).Receive("x");
    EXPECT_EQ(ReadCharTimed(port, -1), 'x');
    EXPECT_EQ(driver.turns, 30);
    driver.abort_on_turn = 55;
    EXPECT_EQ(ReadCharTimed(port, -1), PORTKIT_USER_ABORT);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_USER_ABORT);
    EXPECT_EQ(driver.turns, 55);
}

TEST_F(TimedRead, CharTimeOutGivesTheHookATurnFirstAndStoresNothing) {
    port->status = PORTKIT_CTS_LOW;
    EXPECT_EQ(ReadCharTimed(port, 0), PORTKIT_BUFFER_EMPTY);
    EXPECT_EQ(driver.turns, 1);
    const int32_t start = ElapsedTime();
    EXPECT_EQ(ReadCharTimed(port, 5), PORTKIT_BUFFER_EMPTY);
    EXPECT_GE(ElapsedTime() - start, 5);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_CTS_LOW);
}

TEST_F(TimedRead, CharFromADriverThatCannotCountIsReadAnyway) {
    driver.rx_used_answer = PORTKIT_NOT_SUPPORTED;
    driver.Receive("\xff").Fail(PORTKIT_GENERAL_ERROR);
    EXPECT_EQ(ReadCharTimed(port, 0), 0xff);
    EXPECT_EQ(ReadCharTimed(port, 0), PORTKIT_GENERAL_ERROR);
}

TEST_F(TimedRead, BufferGathersAcrossPausesAndLeavesTheRest) {
    driver.Receive("abc").Pause(3).Receive("defgXY");
    EXPECT_EQ(ReadBufferTimed(port, buffer, 7, -1), 0);
    EXPECT_EQ(std::string(buffer, 7), "abcdefg");
    EXPECT_EQ(PWGetPortCount(port), 7);
    EXPECT_EQ(driver.turns, 3);
    EXPECT_EQ(driver.Unread(), 2u);
}

TEST_F(TimedRead, BufferCountsWhatCameWhenItFails) {
    driver.Receive("ab").Pause(1000);
    EXPECT_EQ(ReadBufferTimed(port, buffer, 5, 0), PORTKIT_BUFFER_EMPTY);  // clock before hook
    EXPECT_EQ(PWGetPortCount(port), 2);
    EXPECT_EQ(driver.turns, 0);
    EXPECT_EQ(PWGetPortStatus(port), 0);
    driver.abort_on_turn = 4;
    port->status = PORTKIT_CTS_LOW;
    EXPECT_EQ(ReadBufferTimed(port, buffer, 5, -1), PORTKIT_USER_ABORT);
    EXPECT_EQ(PWGetPortCount(port), 0);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_CTS_LOW);  // neither code is stored

    ScriptedDriver failing;
    failing.Receive("cd").Fail(PORTKIT_GENERAL_ERROR);
    PortStructure *other = failing.Open();
    EXPECT_EQ(ReadBufferTimed(other, buffer, 5, -1), PORTKIT_GENERAL_ERROR);
    EXPECT_EQ(PWGetPortCount(other), 2);
    PWPortClose(other);
}

TEST_F(TimedRead, BufferWaitsWhenTheQueueClaimsBytesThatDoNotCome) {
    driver.rx_used_answer = 4;
    driver.sloppy = true;  // and the failed read leaves its old count behind
    driver.Receive("ab").Pause(2).Receive("cd");
    EXPECT_EQ(ReadBufferTimed(port, buffer, 4, -1), 0);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(PWGetPortCount(port), 4);
    EXPECT_FALSE(driver.spun);
    EXPECT_EQ(ReadBufferTimed(port, buffer, 4, 0), PORTKIT_BUFFER_EMPTY);
}

TEST_F(TimedRead, ZeroByteBufferReadIsDoneAtOnce) {
    port->count = 9;
    driver.abort_on_turn = 100;  // rather than wait for ever
    EXPECT_EQ(ReadBufferTimed(port, buffer, 0, -1), 0);
    EXPECT_EQ(PWGetPortCount(port), 0);
    EXPECT_EQ(driver.turns, 0);
}

}  // namespace
}  // namespace portkit::test
