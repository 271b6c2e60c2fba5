// Event sources served by the default idle wait: a descriptor's input, the
// time a callback asks for, and removal; and a single wait that ends on the
// port's input or a source's, whichever comes first.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "portkit/event_source.h"
#include "portkit/port.h"
#include "portkit/serial.h"
#include "support/pty_pair.h"

namespace {

struct Counter {
    int calls = 0;
    int answer = -1;  // what the callback asks for next
    int fd = -1;      // drained on each call when set
};

int Count(void *context) {
    auto *counter = static_cast<Counter *>(context);
    ++counter->calls;
    char buffer[16];
    if (counter->fd >= 0) (void)!read(counter->fd, buffer, sizeof buffer);
    return counter->answer;
}

class EventSourceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(pipe(fds), 0); }
    void TearDown() override {
        RemovePortEventSource(fds[0]);
        close(fds[0]);
        close(fds[1]);
    }
    int fds[2] = {-1, -1};
};

TEST_F(EventSourceTest, InputOnTheDescriptorRunsTheCallbackInsideAWait) {
    Counter counter;
    counter.fd = fds[0];
    AddPortEventSource(fds[0], Count, &counter, -1);
    PortKillTime(nullptr, 5);
    EXPECT_EQ(counter.calls, 0);
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    PortKillTime(nullptr, 5);
    EXPECT_EQ(counter.calls, 1);
}

TEST_F(EventSourceTest, TheCallbackRunsAgainWhenItsTimeComes) {
    Counter counter;
    counter.answer = 20;
    AddPortEventSource(fds[0], Count, &counter, 0);
    PortKillTime(nullptr, 5);
    EXPECT_EQ(counter.calls, 1);  // at once, then not before 20 ms
    PortKillTime(nullptr, 60);
    EXPECT_GE(counter.calls, 2);
    EXPECT_LE(counter.calls, 5);
}

TEST_F(EventSourceTest, ARemovedSourceIsNotServed) {
    Counter counter;
    counter.answer = 0;
    AddPortEventSource(fds[0], Count, &counter, 0);
    RemovePortEventSource(fds[0]);
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    PortKillTime(nullptr, 5);
    EXPECT_EQ(counter.calls, 0);
}

// Long enough that a wait which ran its full time is told apart from one
// cut short on a loaded machine; within the tenth of a second one idle turn
// takes at most.
constexpr int kWaitMs = 90;
constexpr int kCutShortMs = 45;

class WaitForPortEventTest : public EventSourceTest {
protected:
    static constexpr int kPort = 22;  // COM23: unlikely to exist on a test machine
    void SetUp() override {
        EventSourceTest::SetUp();
        pty.MapToPort(kPort);
        port = PortOpenMSWin32(kPort, 115200, 'N', 8, 1);
        ASSERT_EQ(PWGetPortStatus(port), 0);
    }
    void TearDown() override {
        if (port != nullptr) PWPortClose(port);
        unsetenv("PORTKIT_COM23");
        EventSourceTest::TearDown();
    }
    // Milliseconds one wait took.
    int TimedWait() {
        const int32_t started = ElapsedTime();
        WaitForPortEvent(port, kWaitMs);
        return ElapsedTime() - started;
    }
    portkit::test::PtyPair pty;
    PortStructure *port = nullptr;
};

TEST_F(WaitForPortEventTest, EndsOnTheFarEndsBytesOrASourcesInputAndOtherwiseRunsItsTime) {
    Counter counter;
    AddPortEventSource(fds[0], Count, &counter, -1);
    EXPECT_GE(TimedWait(), kWaitMs);

    pty.WriteMaster("x");
    EXPECT_LT(TimedWait(), kCutShortMs);
    EXPECT_EQ(PWReadChar(port), 'x');

    // The callback leaves the input unread, so the wait on the port that
    // follows it ends only if it watches the source too.
    ASSERT_EQ(write(fds[1], "k", 1), 1);
    EXPECT_LT(TimedWait(), kCutShortMs);
    EXPECT_EQ(counter.calls, 1);
}

TEST_F(WaitForPortEventTest, ASourceAskingToRunSoonCutsTheWaitOnThePort) {
    Counter counter;
    counter.answer = 5;
    AddPortEventSource(fds[0], Count, &counter, 5);
    EXPECT_LT(TimedWait(), kCutShortMs);
}

}  // namespace
