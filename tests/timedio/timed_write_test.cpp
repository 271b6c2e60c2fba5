// Waiting writes: retries on refusals, time-outs, status and count rules.
#include <gtest/gtest.h>

#include <string>

#include "portkit/timedio.h"
#include "support/scripted_driver.h"
#include "timedio/timedio_internal.h"

namespace portkit::test {
namespace {

class TimedWrite : public ScriptedPortTest {
protected:
    void SetUp() override {
        ScriptedPortTest::SetUp();
        port->status = PORTKIT_CTS_LOW;  // an earlier failure the calls must keep or replace
    }
};

TEST_F(TimedWrite, CharRetriesRefusalsAndNeverStoresACode) {
    driver.tx_room = 0;
    driver.tx_refusal = PORTKIT_BLOCKED_BY_HANDSHAKING;
    driver.on_turn = [](ScriptedDriver &d) { d.tx_room = d.turns == 3 ? 1 : 0; };
    EXPECT_EQ(WriteCharTimed(port, 'x', -1), 0);
    EXPECT_EQ(driver.sent, "x");
    EXPECT_EQ(driver.turns, 3);
    EXPECT_EQ(WriteCharTimed(port, 'y', 0), PORTKIT_BLOCKED_BY_HANDSHAKING);
    driver.abort_on_turn = driver.turns + 20;
    EXPECT_EQ(WriteCharTimed(port, 'y', -1), PORTKIT_USER_ABORT);
    driver.tx_error = PORTKIT_GENERAL_ERROR;
    EXPECT_EQ(WriteCharTimed(port, 'y', -1), PORTKIT_GENERAL_ERROR);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_CTS_LOW);
}

TEST_F(TimedWrite, BufferDrainingSlowlyGoesOutWholeWithTheOldStatusBack) {
    driver.tx_per_call = 4;
    EXPECT_EQ(WriteBufferTimed(port, "0123456789", 10, -1), 0);
    EXPECT_EQ(driver.sent, "0123456789");
    EXPECT_EQ(PWGetPortCount(port), 10);
    EXPECT_EQ(driver.turns, 2);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_CTS_LOW);
}

TEST_F(TimedWrite, BufferTimeOutStoresTheRefusalAndCountsWhatWent) {
    const std::string block(3000, 'b');
    const int32_t start = ElapsedTime();
    driver.tx_room = 0;
    driver.on_turn = [start](ScriptedDriver &d) {  // the line takes 10 bytes a millisecond
        d.tx_room = 10 * (ElapsedTime() - start) - static_cast<int>(d.sent.size());
    };
    EXPECT_EQ(WriteBufferTimed(port, block.data(), 3000, 30), PORTKIT_BUFFER_FULL);
    EXPECT_GE(ElapsedTime() - start, 30);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_BUFFER_FULL);
    EXPECT_EQ(PWGetPortCount(port), static_cast<int>(driver.sent.size()));
    EXPECT_GT(driver.sent.size(), 0u);
    EXPECT_LT(driver.sent.size(), 3000u);
}

TEST_F(TimedWrite, BufferStoresErrorsAndHookAbortsWithTheCount) {
    driver.tx_per_call = 4;
    driver.on_turn = [](ScriptedDriver &d) { d.tx_error = PORTKIT_GENERAL_ERROR; };
    EXPECT_EQ(WriteBufferTimed(port, "0123456789", 10, -1), PORTKIT_GENERAL_ERROR);
    EXPECT_EQ(PWGetPortCount(port), 4);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_GENERAL_ERROR);
    driver.on_turn = nullptr;
    driver.tx_error = 0;
    driver.tx_room = 4;
    driver.abort_on_turn = driver.turns + 3;
    EXPECT_EQ(WriteBufferTimed(port, "0123456789", 10, -1), PORTKIT_USER_ABORT);
    EXPECT_EQ(PWGetPortCount(port), 4);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_USER_ABORT);
}

TEST_F(TimedWrite, BufferTrustsNoStaleCountOrStatusFromACarelessDriver) {
    driver.sloppy = true;
    driver.tx_room = 0;
    port->count = 1000;
    EXPECT_EQ(WriteBufferTimed(port, "abc", 3, 0), PORTKIT_BUFFER_FULL);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_BUFFER_FULL);
    EXPECT_EQ(PWGetPortCount(port), 0);
    port->count = 1000;
    driver.on_turn = [](ScriptedDriver &d) { d.tx_room = 100; };
    EXPECT_EQ(WriteBufferTimed(port, "abc", 3, -1), 0);
    EXPECT_EQ(driver.sent, "abc");
    EXPECT_EQ(PWGetPortCount(port), 3);
    port->functions.WriteBuffer = [](PortStructure *p, const char *, unsigned int) {
        p->count = 1000;
        return 0;
    };
    driver.abort_on_turn = driver.turns + 5;
    EXPECT_EQ(WriteBufferTimed(port, "abc", 3, -1), 0);
    EXPECT_EQ(PWGetPortCount(port), 3);
}

TEST_F(TimedWrite, StringSendsEachTerminatorAndCountsOnlyTheString) {
    using namespace std::string_literals;
    const std::pair<int, std::string> cases[] = {{-1, "hello"s}, {-2, "hello\r\n"s}, {'$', "hello$"s}, {0, "hello\0"s}};
    for (const auto &[terminator, wire] : cases) {
        driver.sent.clear();
        driver.tx_per_call = 2;
        EXPECT_EQ(WriteStringTimed(port, "hello", terminator, -1), 0);
        EXPECT_EQ(driver.sent, wire);
        EXPECT_EQ(PWGetPortCount(port), 5);
        driver.sent.clear();
        driver.tx_per_call = 0;
        PWClearError(port);  // an old failure would hold the terminator back
        EXPECT_EQ(WriteString(port, "hello", terminator), 0);
        EXPECT_EQ(driver.sent, wire);
        EXPECT_EQ(PWGetPortCount(port), 5);
    }
}

TEST_F(TimedWrite, StringLeavesNoCodeOfItsOwnInTheStatus) {
    driver.tx_room = 3;
    EXPECT_EQ(WriteStringTimed(port, "hello", '$', 0), PORTKIT_BUFFER_FULL);
    EXPECT_EQ(PWGetPortCount(port), 3);
    driver.abort_on_turn = 1;
    EXPECT_EQ(WriteStringTimed(port, "hello", -1, -1), PORTKIT_USER_ABORT);
    driver.tx_error = PORTKIT_GENERAL_ERROR;
    EXPECT_EQ(WriteStringTimed(port, "hello", -1, -1), PORTKIT_GENERAL_ERROR);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_CTS_LOW);
}

TEST_F(TimedWrite, StringCallsRefuseBadTerminatorsWithoutWriting) {
    for (int terminator : {300, -3}) {
        port->count = 9;
        EXPECT_EQ(WriteStringTimed(port, "hi", terminator, -1), PORTKIT_INVALID_PARAMETER);
        EXPECT_EQ(PWGetPortCount(port), 0);
        port->status = 0;
        EXPECT_EQ(WriteString(port, "hi", terminator), PORTKIT_INVALID_PARAMETER);
        EXPECT_EQ(PWGetPortStatus(port), PORTKIT_INVALID_PARAMETER);
    }
    EXPECT_EQ(driver.sent, "");
}

TEST_F(TimedWrite, UnwaitedStringSkipsTheTerminatorAfterAShortWrite) {
    PWClearError(port);
    driver.tx_per_call = 3;
    EXPECT_EQ(WriteString(port, "hello", -2), PORTKIT_BUFFER_FULL);
    EXPECT_EQ(driver.sent, "hel");
    EXPECT_EQ(PWGetPortCount(port), 3);
    EXPECT_EQ(driver.turns, 0);
}

// The string goes out just after the deadline has passed; the terminator
// write must then get no time at all rather than an unlimited wait.
TEST_F(TimedWrite, TerminatorAfterThePassedDeadlineGetsOneTry) {
    constexpr int kTimeout = 3;
    for (int terminator : {int{'$'}, -2, int{'$'}, -2}) {
        driver.sent.clear();
        driver.tx_room = 0;
        driver.abort_on_turn = 0;
        bool room_made = false;
        const int32_t start = ElapsedTime();
        driver.on_turn = [start, &room_made](ScriptedDriver &d) {
            if (room_made) return;
            // Room for the string alone, once the clock is one past the deadline.
            ScriptedDriver::PassTime(start + kTimeout + 1 - ElapsedTime());
            d.tx_room = 2;
            d.abort_on_turn = d.turns + 100;  // a wait on the terminator ends here
            room_made = true;
        };
        EXPECT_EQ(WriteStringTimed(port, "ab", terminator, kTimeout), PORTKIT_BUFFER_FULL);
        EXPECT_EQ(driver.sent, "ab");
        EXPECT_EQ(PWGetPortCount(port), 2);
    }
    EXPECT_EQ(timedio::WaitLimit(-1).Remaining(), -1);
    EXPECT_EQ(timedio::WaitLimit(-2).Remaining(), 0);
}

}  // namespace
}  // namespace portkit::test
