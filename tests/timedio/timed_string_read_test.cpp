// String reads: CR LF line endings, the held-back CR, terminators, overflow.
#include <gtest/gtest.h>

#include <string>

#include "portkit/timedio.h"
#include "support/scripted_driver.h"

namespace portkit::test {
namespace {

class StringRead : public ScriptedPortTest {
protected:
    char buffer[16] = {};
};

// Each row reads once, with time-out 0, from a fresh port.
TEST_F(StringRead, LineEndingsHeldCrTerminatorsAndOverflow) {
    struct Row {
        const char *input;
        int terminator;
        unsigned int size;
        int result;
        const char *text;
        std::size_t unread;
    };
    const Row rows[] = {
        {"AB\r\nZ", -1, 16, 0, "AB", 1},  // the ending is not stored; the Z stays queued
        {"AB\r\nZ", -2, 16, 0, "AB", 1},
        {"AB\rX\r\r\n", -1, 16, 0, "AB\rX\r", 0},            // a CR without LF is data
        {"AB\r", -1, 16, PORTKIT_BUFFER_EMPTY, "AB", 0},     // half an ending is dropped at the time-out
        {"AB\r", '$', 16, PORTKIT_BUFFER_EMPTY, "AB\r", 0},  // but kept with a character terminator
        {"AB\r\n", '\n', 16, 0, "AB\r", 0},
        {"AB\rC", '\r', 16, 0, "AB", 1},
        {"ab$cd", '$', 16, 0, "ab", 2},
        {"WXYZ", -1, 4, PORTKIT_USER_BUFFER_OVERFLOW, "WXY", 0},
        {"AB\rX", -1, 3, PORTKIT_USER_BUFFER_OVERFLOW, "AB", 0},  // the CR needs room
        {"AB\r", '$', 3, PORTKIT_USER_BUFFER_OVERFLOW, "AB", 0},  // at a time-out too
        {"AB\r\n", -1, 3, 0, "AB", 0},                            // an ending takes none
    };
    for (const Row &row : rows) {
        ScriptedDriver fresh;
        fresh.Receive(row.input);
        PortStructure *p = fresh.Open();
        const std::string label = std::string(row.input) + " / " + std::to_string(row.terminator);
        EXPECT_EQ(ReadStringTimed(p, buffer, row.size, row.terminator, 0), row.result) << label;
        EXPECT_STREQ(buffer, row.text) << label;
        EXPECT_EQ(PWGetPortCount(p), static_cast<int>(std::string(row.text).size())) << label;
        EXPECT_EQ(fresh.Unread(), row.unread) << label;
        EXPECT_EQ(PWGetPortStatus(p), row.result == PORTKIT_USER_BUFFER_OVERFLOW ? row.result : 0) << label;
        PWPortClose(p);
    }
}

TEST_F(StringRead, BadSizeOrTerminatorIsRefusedBeforeReading) {
    driver.Receive("AB\r\n");
    port->count = 9;
    for (auto [size, terminator] : {std::pair{0u, -1}, {1u, -1}, {8u, -3}, {8u, 256}}) {
        buffer[0] = 'q';
        PWClearError(port);
        EXPECT_EQ(ReadStringTimed(port, buffer, size, terminator, -1), PORTKIT_INVALID_PARAMETER);
        EXPECT_EQ(PWGetPortStatus(port), PORTKIT_INVALID_PARAMETER);
        EXPECT_EQ(buffer[0], size == 0 ? 'q' : '\0');
    }
    EXPECT_EQ(PWGetPortCount(port), 9);
    EXPECT_EQ(driver.Unread(), 4u);
}

TEST_F(StringRead, WaitsAcrossPausesAndEndOnlyThroughTheHookWithoutLimit) {
    port->status = PORTKIT_CTS_LOW;
    EXPECT_EQ(ReadString(port, buffer, sizeof buffer, -1), PORTKIT_BUFFER_EMPTY);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(driver.turns, 0);  // the clock is looked at before the hook
    driver.Receive("AB\r").Pause(2).Receive("\nCD").Pause(1000);
    EXPECT_EQ(ReadStringTimed(port, buffer, sizeof buffer, -1, -1), PORTKIT_CTS_LOW);  // sticky status
    EXPECT_STREQ(buffer, "AB");
    driver.abort_on_turn = 40;
    EXPECT_EQ(ReadStringTimed(port, buffer, sizeof buffer, -1, -1), PORTKIT_USER_ABORT);
    EXPECT_STREQ(buffer, "CD");
    EXPECT_EQ(PWGetPortCount(port), 2);
    EXPECT_EQ(driver.turns, 40);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_CTS_LOW);  // the abort is not stored
}

TEST_F(StringRead, DriverErrorIsStoredWithWhatCameBeforeIt) {
    port->status = PORTKIT_CTS_LOW;
    driver.sloppy = true;  // the driver only returns its code
    driver.Receive("ok$AB").Fail(PORTKIT_GENERAL_ERROR);
    EXPECT_EQ(ReadStringTimed(port, buffer, sizeof buffer, '$', 0), PORTKIT_CTS_LOW);  // sticky status
    EXPECT_EQ(ReadStringTimed(port, buffer, sizeof buffer, '$', 0), PORTKIT_GENERAL_ERROR);
    EXPECT_STREQ(buffer, "AB");
    EXPECT_EQ(PWGetPortCount(port), 2);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_GENERAL_ERROR);
}

}  // namespace
}  // namespace portkit::test
