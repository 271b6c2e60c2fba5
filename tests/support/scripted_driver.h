// A driver for tests of the waiting calls. Its receive side plays a script
// of bytes, pauses and errors; its transmit side takes bytes up to a limit,
// at most so many per call, and refuses the rest. Time is idle turns: a
// pause holds the script until the idle hook has run so many times.
#ifndef PORTKIT_TESTS_SUPPORT_SCRIPTED_DRIVER_H
#define PORTKIT_TESTS_SUPPORT_SCRIPTED_DRIVER_H

#include <gtest/gtest.h>

#include <climits>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "portkit/port.h"

namespace portkit::test {

class ScriptedDriver {
public:
    // Opens a port on this driver; close it with PWPortClose.
    PortStructure *Open();
    // The idle hook for ports of this driver: one turn of time.
    static int IdleHook(PortStructure *port);

    ScriptedDriver &Receive(std::string_view bytes);
    ScriptedDriver &Pause(int turns = 1);
    // While on, the library's clock moves a millisecond per idle turn and not
    // otherwise, so waits for silence cost turns instead of real time.
    static void UseTurnClock(bool on);
    static void PassTime(int milliseconds);  // nothing to read for `turns` idle turns
    ScriptedDriver &Fail(int code);          // the read that reaches here answers `code`
    std::size_t Unread() const { return script_.size(); }

    // Transmit side.
    int tx_room = INT_MAX;  // bytes the queue still takes
    int tx_per_call = 0;    // most bytes one call takes; 0: no limit
    int tx_refusal = PORTKIT_BUFFER_FULL;
    int tx_error = 0;  // when set, every write answers it and takes nothing
    std::string sent;

    // Answer of SpaceUsedInRXBuffer in place of the script's byte count.
    std::optional<int> rx_used_answer;
    // Failing calls leave the port's status and count as they were and take nothing.
    bool sloppy = false;

    int turns = 0;
    int abort_on_turn = 0;  // from this turn on the hook answers abort_code; 0: never
    int abort_code = PORTKIT_USER_ABORT;
    std::function<void(ScriptedDriver &)> on_turn;
    // A read that found nothing many times in a row without an idle turn
    // answers -1 and sets this, so a spinning caller fails instead of hanging.
    bool spun = false;

private:
    struct Step {
        enum Kind { kByte, kPause, kError } kind;
        int value;
    };
    static ScriptedDriver &Of(PortStructure *port);
    static int SpaceUsed(PortStructure *port);
    static int ReadBuffer(PortStructure *port, char *buffer, unsigned int count);
    static int ReadChar(PortStructure *port);
    static int WriteBuffer(PortStructure *port, const char *buffer, unsigned int count);
    static int WriteChar(PortStructure *port, int c);
    int Answer(PortStructure *port, int code, bool stored);
    int NothingToRead(PortStructure *port);

    std::deque<Step> script_;
    int fruitless_reads_ = 0;
};

// A test with one scripted port whose driver's hook is the idle hook.
class ScriptedPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = driver.Open();
        SetPortIdleFunctionPtr(ScriptedDriver::IdleHook);
        ScriptedDriver::UseTurnClock(true);
    }
    void TearDown() override {
        ScriptedDriver::UseTurnClock(false);
        SetPortIdleFunctionPtr(nullptr);
        PWPortClose(port);
    }
    ScriptedDriver driver;
    PortStructure *port = nullptr;
};

}  // namespace portkit::test

#endif
