// The emulators' loops on a real driver take what it has queued in large
// runs: what they show, and what they leave after an incoming command for
// the next reader (a transfer), must be what reads of one character at a
// time would give.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <string>

#include "portkit/serial.h"
#include "portkit/timedio.h"
#include "support/recording_display.h"

namespace portkit::test {
namespace {

constexpr int kNear = 33;  // COM34
constexpr int kFar = 34;   // COM35
constexpr int kCommandValue = 7;
const std::string kCommand =
    "**\x18"
    "B00";

std::string shown;

// More than the driver's receive ring holds, so it is refilled on the way.
std::string Head() {
    std::string head;
    for (int line = 0; line < 1000; ++line) head += "line " + std::to_string(line) + " before the command\r\n";
    return head;
}

// Every byte value, escapes and controls among them.
std::string Tail() {
    std::string tail;
    for (int i = 0; i < 20000; ++i) tail.push_back(static_cast<char>(i * 7 % 256));
    return tail;
}

// One end of the simulated cable `cable`, as port number `number`.
PortStructure *OpenEnd(int number, const std::string &cable, char end) {
    const std::string variable = "PORTKIT_COM" + std::to_string(number + 1);
    setenv(variable.c_str(), ("sim:" + cable + ":" + end).c_str(), 1);
    return PortOpenMSWin32(number, 115200, 'N', 8, 1);
}

class QueuedInput : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string cable =
            std::string("queued-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        near = OpenEnd(kNear, cable, 'a');
        far = OpenEnd(kFar, cable, 'b');
        ASSERT_EQ(PWGetPortStatus(near), 0);
        ASSERT_EQ(PWGetPortStatus(far), 0);
        shown.clear();
    }
    void TearDown() override {
        if (record != nullptr) record->destroy(record);
        PWPortClose(near);
        PWPortClose(far);
    }

    // The record's text output is collected in `shown`; its other drawing
    // calls are the recording display's.
    void Attach(EmulatorRecord *emulator) {
        record = emulator;
        record->port = near;
        screen.AttachTo(record);
        record->put_char = [](EmulatorHandle, int c) { shown.push_back(static_cast<char>(c)); };
        record->put_string = [](EmulatorHandle, const char *text) { shown += text; };
        ASSERT_EQ(record->define_incoming_cmd(record, kCommand.c_str(), kCommandValue), PORTKIT_SUCCESS);
    }

    // Sends the head, the command and the tail at once, and runs the loop
    // until it reports the command; then the tail must wait in the port.
    void ExpectTailLeftQueued() {
        const std::string tail = Tail();
        const std::string sent = Head() + kCommand + tail;
        ASSERT_EQ(WriteBufferTimed(far, sent.data(), static_cast<unsigned>(sent.size()), 2000), 0);
        int value = -1;
        for (int call = 0; call < 5000 && value == -1; ++call) value = record->process_input(record);
        ASSERT_EQ(value, kCommandValue);
        std::string rest(tail.size() + 1, '\0');
        ReadBufferTimed(near, rest.data(), static_cast<unsigned>(rest.size()), 300);
        rest.resize(static_cast<std::size_t>(PWGetPortCount(near)));
        ASSERT_EQ(rest.size(), tail.size());
        EXPECT_TRUE(rest == tail) << "the bytes after the command came back changed";
    }

    PortStructure *near = nullptr;
    PortStructure *far = nullptr;
    EmulatorRecord *record = nullptr;
    RecordingDisplay screen;
};

TEST_F(QueuedInput, ThePlainLoopShowsTheTextAndLeavesWhatFollowsACommand) {
    auto *plain = static_cast<EmulatorRecord *>(std::calloc(1, sizeof(EmulatorRecord)));
    _InitializeEmulator(plain);
    Attach(plain);
    ExpectTailLeftQueued();
    // The character completing the command is not shown.
    EXPECT_EQ(shown, Head() + kCommand.substr(0, kCommand.size() - 1));
}

TEST_F(QueuedInput, TheAnsiEmulatorLeavesWhatFollowsACommandInEitherMode) {
    Attach(CreateAnsiEmulator(near));
    ExpectTailLeftQueued();
    EXPECT_EQ(shown, Head() + kCommand);
    record->destroy(record);

    shown.clear();
    Attach(CreateAnsiEmulatorExtended(near, ANSI_EXTENDED_CP437));
    ExpectTailLeftQueued();
    // The screen was drawn with the head's last line on it.
    EXPECT_NE(shown.find("line 999 before the command"), std::string::npos);
}

}  // namespace
}  // namespace portkit::test
