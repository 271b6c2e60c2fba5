// The open-port list, the out-of-memory port and closing at process exit.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

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

int close_report_fd = -1;

int ReportingClose(PortStructure *port) {
    const std::string line = std::to_string(port->handle) + "\n";
    [[maybe_unused]] const auto written = write(close_report_fd, line.data(), line.size());
    _FreePort(port);
    return 0;
}

TEST(CloseAtExit, PortsStillOpenAreClosedNewestFirst) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        close_report_fd = fds[1];
        for (int handle : {1, 2, 3}) {
            PortStructure *port = OpenBarePort();
            port->handle = handle;
            port->functions.PortClose = ReportingClose;
        }
        std::exit(0);  // runs the exit handlers, as a program ending normally does
    }
    close(fds[1]);
    std::string report;
    char chunk[64];
    for (ssize_t n; (n = read(fds[0], chunk, sizeof chunk)) > 0;) report.append(chunk, static_cast<size_t>(n));
    close(fds[0]);
    int wait_status = 0;
    waitpid(child, &wait_status, 0);
    EXPECT_TRUE(WIFEXITED(wait_status));
    EXPECT_EQ(report, "3\n2\n1\n");
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
