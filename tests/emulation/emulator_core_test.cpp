// The emulator core: incoming commands, keyboard macros, the plain input and
// keyboard loops, debug text, and the life of ANSI records.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/recording_display.h"
#include "support/scripted_driver.h"

namespace portkit::test {
namespace {

using Calls = std::vector<std::string>;

class EmulatorCore : public ScriptedPortTest {
protected:
    void SetUp() override {
        ScriptedPortTest::SetUp();
        record = static_cast<EmulatorRecord *>(std::calloc(1, sizeof(EmulatorRecord)));
        _InitializeEmulator(record);
        record->port = port;
        screen.AttachTo(record);
    }
    void TearDown() override {
        if (record != nullptr) record->destroy(record);
        ScriptedPortTest::TearDown();
    }
    void UseAnsi() {
        record->destroy(record);
        record = CreateAnsiEmulator(port);
        screen.AttachTo(record);
    }
    // Gives `bytes` to the scanner; the result for the last one.
    int Scan(const std::string &bytes) {
        int result = -1;
        for (char c : bytes) result = _DefaultInputScanner(record, static_cast<unsigned char>(c));
        return result;
    }
    int Define(const char *text, int value) { return record->define_incoming_cmd(record, text, value); }
    int Undefine(const char *text) { return record->undefine_incoming_cmd(record, text); }

    EmulatorRecord *record = nullptr;
    RecordingDisplay screen;
};

TEST_F(EmulatorCore, IncomingCommandsAreFoundAndRemovedNewestFirst) {
    EXPECT_EQ(Define(nullptr, 1), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(Define("", 1), PORTKIT_INVALID_PARAMETER);
    ASSERT_EQ(Define("OK", 1), PORTKIT_SUCCESS);
    ASSERT_EQ(Define("OK", 2), PORTKIT_SUCCESS);
    EXPECT_EQ(Scan("OK"), 2);
    EXPECT_EQ(Undefine("OK"), PORTKIT_SUCCESS);
    EXPECT_EQ(Scan("OK"), 1);
    EXPECT_EQ(Undefine("ok"), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(Undefine("OK"), PORTKIT_SUCCESS);
    EXPECT_EQ(Scan("OK"), -1);
    EXPECT_EQ(Undefine("OK"), PORTKIT_INVALID_PARAMETER);
}

TEST_F(EmulatorCore, ACommandMatchesTheEndOfTheLastSixteenCharacters) {
    EXPECT_EQ(Define("0123456789abcdef", 16), PORTKIT_SUCCESS);
    EXPECT_EQ(Scan("..0123456789abcdef"), 16);
    EXPECT_EQ(Scan("X123456789abcdef"), -1);

    // Longer than the ring: its first character would be compared with the
    // newest one, so "...PA" would match "ZBC...PA". Refused.
    EXPECT_EQ(Define("ABCDEFGHIJKLMNOPA", 17), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(Scan("ZBCDEFGHIJKLMNOPA"), -1);
    EXPECT_EQ(Scan("ABCDEFGHIJKLMNOPA"), -1);
    EXPECT_EQ(Undefine("ABCDEFGHIJKLMNOPA"), PORTKIT_INVALID_PARAMETER);
}

TEST_F(EmulatorCore, ACommandBeyondTheLastCharactersCounterIsRefused) {
    ASSERT_EQ(Define("HELLO", 1), PORTKIT_SUCCESS);
    for (int value = 2; value <= 255; ++value) ASSERT_EQ(Define("GO", value), PORTKIT_SUCCESS);
    // One more would wrap the 8-bit counter of 'O' to 0 and hide them all.
    EXPECT_EQ(Define("TO", 256), PORTKIT_BUFFER_FULL);
    EXPECT_EQ(Scan("HELLO"), 1);
    EXPECT_EQ(Scan("GO"), 255);
    EXPECT_EQ(Scan("TO"), -1);
    EXPECT_EQ(Undefine("TO"), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(Define("OK", 2), PORTKIT_SUCCESS);  // other last characters keep their room
    EXPECT_EQ(Scan("OK"), 2);

    // A removal makes room again.
    EXPECT_EQ(Undefine("GO"), PORTKIT_SUCCESS);
    EXPECT_EQ(Define("TO", 256), PORTKIT_SUCCESS);
    EXPECT_EQ(Scan("TO"), 256);
    EXPECT_EQ(Scan("GO"), 254);
    EXPECT_EQ(Scan("HELLO"), 1);
}

TEST_F(EmulatorCore, TheScannerKeepsMatchingWhenTheInputCountWraps) {
    Define("ABC", 3);
    record->input_count = INT_MAX - 1;
    EXPECT_EQ(Scan("ABC"), 3);
    EXPECT_EQ(Scan("xABC"), 3);
}

TEST_F(EmulatorCore, PlainLoopDrawsCharactersUntilACommandCompletes) {
    Define("OK", 7);
    driver.Receive("BOOK!");
    EXPECT_EQ(record->process_input(record), 7);
    EXPECT_EQ(screen.calls, (Calls{"put_char 66", "put_char 79", "put_char 79"}));  // not the K
    EXPECT_EQ(record->process_input(record), -1);
    EXPECT_EQ(screen.calls.back(), "put_char 33");

    // At most 250 characters a call, so the application's loop keeps control.
    screen.calls.clear();
    driver.Receive(std::string(300, 'x'));
    EXPECT_EQ(record->process_input(record), -1);
    EXPECT_EQ(screen.calls.size(), 250u);
    EXPECT_EQ(record->process_input(record), -1);
    EXPECT_EQ(screen.calls.size(), 300u);

    // In local mode the keyboard is the input.
    screen.calls.clear();
    driver.Receive("p");
    screen.keys = {'k'};
    record->local_mode = 1;
    EXPECT_EQ(record->process_input(record), -1);
    EXPECT_EQ(screen.calls, (Calls{"put_char 107"}));
    EXPECT_EQ(driver.Unread(), 1u);
}

TEST_F(EmulatorCore, KeyboardLoopSendsCharactersAndMacrosAndReturnsOtherKeys) {
    constexpr int kF2 = 0x3C00, kF3 = 0x3D00;
    EXPECT_EQ(record->define_kbd_macro(record, 'a', "first"), PORTKIT_SUCCESS);
    EXPECT_EQ(record->define_kbd_macro(record, 'a', "xy"), PORTKIT_SUCCESS);  // replaces
    record->define_kbd_macro(record, kF2, nullptr);
    record->define_kbd_macro(record, kF3, "");
    screen.keys = {'a', 'b', PORTKIT_KEY_F1};
    EXPECT_EQ(record->process_kbd(record), PORTKIT_KEY_F1);  // no macro, no character
    EXPECT_EQ(driver.sent, "xyb");
    screen.keys = {kF2};
    EXPECT_EQ(record->process_kbd(record), kF2);  // a null macro hands the key back
    screen.keys = {kF3, 'e'};
    EXPECT_EQ(record->process_kbd(record), -1);
    EXPECT_EQ(driver.sent, "xybe");

    EXPECT_EQ(record->undefine_kbd_macro(record, 'a'), PORTKIT_SUCCESS);
    EXPECT_EQ(record->undefine_kbd_macro(record, 'a'), PORTKIT_INVALID_PARAMETER);
    screen.keys = {'a'};
    record->process_kbd(record);
    EXPECT_EQ(driver.sent, "xybea");
}

std::string LongMacro() {
    std::string text;
    for (int i = 0; i < 100; ++i) text += static_cast<char>('A' + i % 26);
    return text;
}

TEST_F(EmulatorCore, ALongMacroGoesOutSixtyFourCharactersACallAndFinishesInLocalMode) {
    const std::string text = LongMacro();
    record->define_kbd_macro(record, PORTKIT_KEY_F1, text.c_str());
    screen.keys = {PORTKIT_KEY_F1, 'z'};
    EXPECT_EQ(record->process_kbd(record), -1);
    EXPECT_EQ(driver.sent, text.substr(0, 64));
    record->local_mode = 1;
    EXPECT_EQ(record->process_kbd(record), -1);
    EXPECT_EQ(driver.sent, text);
    EXPECT_EQ(record->process_kbd(record), -1);
    EXPECT_EQ(driver.sent, text);
    EXPECT_EQ(screen.keys_read, 1);  // the z stays for the application
}

TEST_F(EmulatorCore, ReplacingOrRemovingAMacroBeingPlayedStopsIt) {
    const std::string text = LongMacro();
    for (bool replace : {true, false}) {
        driver.sent.clear();
        record->define_kbd_macro(record, PORTKIT_KEY_F1, text.c_str());
        screen.keys = {PORTKIT_KEY_F1};
        record->process_kbd(record);
        if (replace) {
            record->define_kbd_macro(record, PORTKIT_KEY_F1, "new");
        } else {
            record->undefine_kbd_macro(record, PORTKIT_KEY_F1);
        }
        EXPECT_EQ(record->process_kbd(record), -1);
        EXPECT_EQ(driver.sent, text.substr(0, 64));
    }
}

TEST_F(EmulatorCore, DebugMessageIsFormattedAndCutAt131Characters) {
    _EmulatorDebugMessage(record, "%s=%d", "speed", 9600);
    EXPECT_EQ(screen.calls.back(), "put_string \"speed=9600\"");
    _EmulatorDebugMessage(record, "%s!", std::string(200, 'x').c_str());
    EXPECT_EQ(screen.calls.back(), "put_string \"" + std::string(131, 'x') + "\"");
}

TEST_F(EmulatorCore, AnsiArrowKeysSendCursorSequences) {
    UseAnsi();
    screen.keys = {PORTKIT_KEY_UP, PORTKIT_KEY_DOWN, PORTKIT_KEY_RIGHT, PORTKIT_KEY_LEFT};
    EXPECT_EQ(record->process_kbd(record), -1);
    EXPECT_EQ(driver.sent, "\x1b[A\x1b[B\x1b[C\x1b[D");
}

TEST_F(EmulatorCore, AnsiLocalModeTakesOneKeyACall) {
    UseAnsi();
    record->local_mode = 1;
    screen.keys = {'a', PORTKIT_KEY_UP, 'b'};
    for (int call = 0; call < 4; ++call) EXPECT_EQ(record->process_input(record), -1);
    EXPECT_EQ(screen.calls, (Calls{"put_string \"a\"", "put_string \"b\""}));  // Up has no character
}

TEST_F(EmulatorCore, AnsiEmptyReadIsNothingWhateverCountTheDriverLeft) {
    UseAnsi();
    driver.sloppy = true;  // its failed reads leave the count of the report's write
    driver.Receive("\x1b[6n");
    EXPECT_EQ(record->process_input(record), -1);
    EXPECT_EQ(driver.sent, "\x1b[1;1R");
    EXPECT_EQ(record->process_input(record), -1);
    EXPECT_EQ(screen.calls, Calls{});
}

TEST_F(EmulatorCore, DestroyReleasesEverythingAtAnyPoint) {
    UseAnsi();
    record->define_incoming_cmd(record, "OK", 1);
    record->define_kbd_macro(record, PORTKIT_KEY_F1, LongMacro().c_str());
    screen.keys = {PORTKIT_KEY_F1};
    record->process_kbd(record);  // a macro half played
    driver.Receive("OK\x1b[\"abc");
    EXPECT_EQ(record->process_input(record), 1);  // the rest kept for later
    record->destroy(record);

    // Inside a string parameter, and before a display was attached.
    record = CreateAnsiEmulator(port);
    EXPECT_EQ(record->process_input(record), -1);
    EXPECT_EQ(record->process_kbd(record), -1);
    screen.AttachTo(record);
    driver.Receive("\x1b[1;\"abc");
    EXPECT_EQ(record->process_input(record), -1);
    record->destroy(record);
    record = nullptr;
}

}  // namespace
}  // namespace portkit::test
