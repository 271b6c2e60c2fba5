// The console backend's key reading through the POSIX console layer, with
// keys typed at the master of a kernel pty whose slave is the console input.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "platform/posix/console/console_registry.h"
#include "portkit/screen.h"
#include "support/pty_pair.h"

namespace portkit {
namespace {

class ConsoleKeysOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        output_ = open("/dev/null", O_WRONLY);
        ASSERT_GE(output_, 0);
        AttachConsoleToEmulator(&record_, PORTKIT_CONSOLE_FD(pty_.slave()), PORTKIT_CONSOLE_FD(output_));
        const EmulatorHandle display = record_.display;  // the record is packed: no reference into it
        ASSERT_NE(display, nullptr);
        // The first look at the keyboard puts the terminal in raw mode.
        ASSERT_EQ(record_.read_key(&record_), -1);
    }
    void TearDown() override {
        record_.destroy(&record_);
        posix::ReleaseConsole(pty_.slave());
        posix::ReleaseConsole(output_);
        close(output_);
    }

    // The first key read within a second, or -1.
    int NextKey() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (std::chrono::steady_clock::now() < deadline) {
            const int key = record_.read_key(&record_);
            if (key != -1) return key;
            pollfd readable{pty_.slave(), POLLIN, 0};
            poll(&readable, 1, 5);
        }
        return -1;
    }

    void WaitUntilSlaveReadable() {
        pollfd readable{pty_.slave(), POLLIN, 0};
        ASSERT_EQ(poll(&readable, 1, 1000), 1);
    }

    test::PtyPair pty_;
    int output_ = -1;
    EmulatorRecord record_{};
};

TEST_F(ConsoleKeysOnPty, KeysTypedArriveAsKeyCodes) {
    struct Typed {
        const char *bytes;
        int key;
    };
    const Typed typed[] = {
        {"\x1bOP", 0x3B00},
        {"\x1b[A", 0x4800},
        {"\x1b[1;5A", 0x8D00},
        {"\x1b"
         "a",
         0x1E00},
        {"a", 'a'},
        {"\x1b[3~", 0x10000},
        {"\x1b[24;2~", 0x8800},
        {"\x03", 3},
        {"\x1b[[B", 0x3C00},
        {"\r", '\r'},
    };
    for (const Typed &t : typed) {
        pty_.WriteMaster(t.bytes);
        EXPECT_EQ(NextKey(), t.key) << "typed " << testing::PrintToString(std::string(t.bytes));
    }
}

TEST_F(ConsoleKeysOnPty, ResizeIsSkippedOnlyWhenConsumingAllInput) {
    ConsumeAllConsoleInput(&record_, 0);
    kill(getpid(), SIGWINCH);
    pty_.WriteMaster("z");
    WaitUntilSlaveReadable();
    EXPECT_EQ(record_.read_key(&record_), -1);  // the resize heads the queue
    EXPECT_EQ(record_.read_key(&record_), -1);
    ConsumeAllConsoleInput(&record_, 1);
    EXPECT_EQ(NextKey(), 'z');
}

}  // namespace
}  // namespace portkit
