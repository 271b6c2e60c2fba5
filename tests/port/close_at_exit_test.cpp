// Ports still open when the process exits are closed, newest first; seen
// from a forked child that exits.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "port/port_internal.h"
#include "support/fake_driver.h"

namespace portkit::test {
namespace {

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

}  // namespace
}  // namespace portkit::test
