// Opening a port by device name: the same open as by number, on a kernel
// pty, on the simulated cable, and for devices that are not there.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "portkit/serial.h"
#include "portkit/timedio.h"
#include "support/pty_pair.h"

namespace portkit::test {
namespace {

constexpr int kPort = 22;  // COM23

TEST(OpenByName, APtyOpensByItsPathAndCarriesBytes) {
    PtyPair pty;
    PortStructure *port = PortOpenMSWin32ByName(pty.slave_path().c_str(), 115200, 'N', 8, 1);
    ASSERT_EQ(PWGetPortStatus(port), 0);
    EXPECT_EQ(PWGetPortDriverType(port), PORTKIT_DRIVER_MSWIN32);
    EXPECT_EQ(PWGetPortHandle(port), -1);  // a path is no COM port
    ASSERT_EQ(PWWriteBuffer(port, "hello", 5), 0);
    EXPECT_EQ(pty.ReadMaster(5), "hello");
    pty.WriteMaster("x");
    EXPECT_EQ(ReadCharTimed(port, 2000), 'x');

    // Held exclusively whichever way it was opened.
    pty.MapToPort(kPort);
    PortStructure *by_number = PortOpenMSWin32(kPort, 9600, 'N', 8, 1);
    EXPECT_EQ(PWGetPortStatus(by_number), PORTKIT_IN_USE);
    PWPortClose(by_number);
    PWPortClose(port);
    unsetenv("PORTKIT_COM23");
}

TEST(OpenByName, ComNamesAreTheNumberedPortsInEitherCase) {
    PtyPair pty;
    pty.MapToPort(kPort);
    for (const char *name : {"COM23", "com23", "\\\\.\\COM23", "\\\\.\\Com23"}) {
        PortStructure *port = PortOpenMSWin32ByName(name, 9600, 'N', 8, 1);
        EXPECT_EQ(PWGetPortStatus(port), 0) << name;
        EXPECT_EQ(PWGetPortHandle(port), kPort) << name;
        PWPortClose(port);
    }
    unsetenv("PORTKIT_COM23");
}

TEST(OpenByName, AMissingDeviceGivesTheStatusOfAMissingNumberedPort) {
    setenv("PORTKIT_COM23", "/dev/portkit-no-such-device", 1);
    PortStructure *by_number = PortOpenMSWin32(kPort, 9600, 'N', 8, 1);
    PortStructure *by_name = PortOpenMSWin32ByName("/dev/portkit-no-such-device", 9600, 'N', 8, 1);
    EXPECT_EQ(PWGetPortStatus(by_number), PORTKIT_NO_DEVICE);
    EXPECT_EQ(PWGetPortStatus(by_name), PWGetPortStatus(by_number));
    EXPECT_EQ(PortMSWin32GetCommHandle(by_name), nullptr);
    EXPECT_EQ(PWPortClose(by_name), 0);
    EXPECT_EQ(PWPortClose(by_number), 0);
    unsetenv("PORTKIT_COM23");

    PortStructure *no_name = PortOpenMSWin32ByName(nullptr, 9600, 'N', 8, 1);
    EXPECT_EQ(PWGetPortStatus(no_name), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(PWPortClose(no_name), 0);
}

TEST(OpenByName, TheEndsOfASimulatedCableTalk) {
    PortStructure *a = PortOpenMSWin32ByName("sim:by-name:a", 9600, 'N', 8, 1);
    PortStructure *b = PortOpenMSWin32ByName("sim:by-name:b", 9600, 'N', 8, 1);
    ASSERT_EQ(PWGetPortStatus(a), 0);
    ASSERT_EQ(PWGetPortStatus(b), 0);
    ASSERT_EQ(PWWriteBuffer(a, "ping", 4), 0);
    char received[4];
    EXPECT_EQ(ReadBufferTimed(b, received, 4, 2000), 0);
    EXPECT_EQ(std::string(received, 4), "ping");
    PWPortClose(a);
    PWPortClose(b);
}

}  // namespace
}  // namespace portkit::test
