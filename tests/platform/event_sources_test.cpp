// Event sources served by the default idle wait: a descriptor's input, the
// time a callback asks for, and removal.
#include <gtest/gtest.h>
#include <unistd.h>

#include "portkit/event_source.h"
#include "portkit/port.h"

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

}  // namespace
