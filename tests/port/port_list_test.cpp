// The open-port list, the out-of-memory port and closing every port.
#include <gtest/gtest.h>

#include "port/port_internal.h"
#include "support/fake_driver.h"

namespace portkit::test {
namespace {

bool OnOpenList(const PortStructure *port) {
    for (PortStructure *p = FirstOpenPort(); p != nullptr; p = p->next) {
        if (p == port) return true;
    }
    return false;
}

TEST(OpenPortList, NewestFirstAndUnlinkedOnClose) {
    PortStructure *first = OpenBarePort();
    PortStructure *second = OpenBarePort();
    EXPECT_EQ(FirstOpenPort(), second);
    EXPECT_EQ(second->next, first);
    PWPortClose(second);
    EXPECT_EQ(FirstOpenPort(), first);
    EXPECT_FALSE(OnOpenList(second));
    PWPortClose(first);
    EXPECT_FALSE(OnOpenList(first));
}

TEST(OpenPortList, ClosingAMiddleRecordKeepsTheOthers) {
    PortStructure *a = OpenBarePort();
    PortStructure *b = OpenBarePort();
    PortStructure *c = OpenBarePort();
    PWPortClose(b);
    EXPECT_TRUE(OnOpenList(a));
    EXPECT_TRUE(OnOpenList(c));
    EXPECT_EQ(c->next, a);
    PWPortClose(a);
    PWPortClose(c);
}

TEST(OutOfMemoryPort, AnswersAsDocumentedAndSurvivesRepeatedCloses) {
    for (int round = 0; round < 3; ++round) {
        PortStructure *port = _OutOfMemoryPort();
        EXPECT_EQ(port, _OutOfMemoryPort());
        EXPECT_FALSE(OnOpenList(port));
        EXPECT_EQ(PWGetPortStatus(port), PORTKIT_NO_MEMORY);
        EXPECT_EQ(PWGetPortHandle(port), -1);
        EXPECT_EQ(PWGetPortDriverType(port), -1);
        EXPECT_EQ(port->driver_data, nullptr);
        EXPECT_EQ(PWWriteChar(port, 'x'), PORTKIT_NOT_SUPPORTED);
        EXPECT_EQ(PWClearError(port), 0);
        EXPECT_EQ(PWGetPortStatus(port), 0);
        // The static record must never be handed to free(): ASan would say so.
        EXPECT_EQ(PWPortClose(port), 0);
        _FreePort(port);
    }
}

TEST(OutOfMemoryPort, CloseAllPortsNeverMeetsIt) {
    _OutOfMemoryPort();
    PortStructure *port = OpenBarePort();
    _close_all_ports();
    EXPECT_EQ(FirstOpenPort(), nullptr);
    (void)port;
}

TEST(CloseAllPorts, ADriverThatForgetsToUnlinkDoesNotHangIt) {
    PortStructure *port = OpenBarePort();
    port->functions.PortClose = [](PortStructure *) { return 0; };
    _close_all_ports();
    EXPECT_EQ(FirstOpenPort(), nullptr);
    FreeDriverStructure(port);
}

}  // namespace
}  // namespace portkit::test
