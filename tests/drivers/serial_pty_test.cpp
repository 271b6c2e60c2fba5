// The serial driver on kernel ptys: settings reach the kernel, bytes cross,
// the device is held exclusively, and a missing device says so.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <fcntl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "port/port_internal.h"
#include "portkit/serial.h"
#include "support/pty_pair.h"

namespace portkit::test {
namespace {

constexpr int kPort = 20;  // COM21: unlikely to exist on a test machine

std::string dump_text;
void AppendDumpLine(const char *line) { dump_text += std::string(line) + "\n"; }

bool DumpContains(PortStructure *port, const std::string &text) {
    dump_text.clear();
    PWDumpPortStatus(port, AppendDumpLine);
    return dump_text.find(text) != std::string::npos;
}

class SerialOnPty : public ::testing::Test {
protected:
    void SetUp() override { pty.MapToPort(kPort); }
    void TearDown() override { unsetenv("PORTKIT_COM21"); }

    termios KernelSettings() const {
        termios tio{};
        tcgetattr(pty.slave(), &tio);
        return tio;
    }

    PtyPair pty;
};

TEST_F(SerialOnPty, OpenByNumberAppliesTheLineSettings) {
    PortStructure *port = PortOpenMSWin32(kPort, 19200, 'e', 7, 2);
    ASSERT_EQ(PWGetPortStatus(port), 0);
    EXPECT_EQ(PWGetPortHandle(port), kPort);
    EXPECT_EQ(PWGetPortDriverType(port), PORTKIT_DRIVER_MSWIN32);
    // Linux ptys force CS8 without parity whatever is asked, so word length
    // and parity are read back from the driver's own settings.
    termios tio = KernelSettings();
    EXPECT_EQ(cfgetospeed(&tio), B19200);
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_TRUE(DumpContains(port, "ByteSize: 7  Parity: 2"));
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);
    EXPECT_FALSE(tio.c_lflag & ICANON);

    EXPECT_EQ(PWPortSet(port, 9600, "O", 8, 1), 0);
    tio = KernelSettings();
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_FALSE(tio.c_cflag & CSTOPB);
    EXPECT_TRUE(DumpContains(port, "ByteSize: 8  Parity: 1"));

    EXPECT_EQ(PWUseRtsCts(port, 1), 0);
    EXPECT_TRUE(KernelSettings().c_cflag & CRTSCTS);
    EXPECT_EQ(PWUseRtsCts(port, 0), 0);
    EXPECT_FALSE(KernelSettings().c_cflag & CRTSCTS);
    EXPECT_EQ(PWUseXonXoff(port, 1), 0);
    tio = KernelSettings();
    EXPECT_TRUE(tio.c_iflag & IXON);
    EXPECT_TRUE(tio.c_iflag & IXOFF);
    EXPECT_EQ(tio.c_cc[VSTART], 0x11);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x13);
    PWPortClose(port);
}

TEST_F(SerialOnPty, ModernAndArbitraryRatesAreAcceptedAndStoredAsGiven) {
    PortStructure *port = PortOpenMSWin32(kPort, 115200, 'N', 8, 1);
    ASSERT_EQ(PWGetPortStatus(port), 0);
    EXPECT_EQ(cfgetospeed(&static_cast<const termios &>(KernelSettings())), B115200);
    for (long rate : {230400L, 921600L, 4000000L, 250000L, 128000L}) {
        EXPECT_EQ(PWPortSet(port, rate, "N", 8, 1), 0) << rate;
        EXPECT_EQ(KernelSpeed(pty.slave()), static_cast<unsigned>(rate)) << rate;
    }
    EXPECT_EQ(PWPortSet(port, 0, "N", 8, 1), PORTKIT_ILLEGAL_BAUD_RATE);
    EXPECT_EQ(PWPortSet(port, -9600, "N", 8, 1), PORTKIT_ILLEGAL_BAUD_RATE);
    PWPortClose(port);
}

TEST_F(SerialOnPty, BadSettingsGiveTheirCodesAndAreSticky) {
    PortStructure *port = PortOpenMSWin32(kPort, 9600, 'X', 8, 1);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_ILLEGAL_PARITY);
    // The driver is installed all the same; the code stays until cleared.
    EXPECT_EQ(PWPortSet(port, 9600, "N", 8, 3), PORTKIT_ILLEGAL_STOP_BITS);
    EXPECT_EQ(PWPortSet(port, 9600, "N", 8, 0), PORTKIT_ILLEGAL_STOP_BITS);
    PWClearError(port);
    EXPECT_EQ(PWPortSet(port, 9600, "N", 9, 1), PORTKIT_ILLEGAL_WORD_LENGTH);
    PWClearError(port);
    EXPECT_EQ(PWPortSet(port, 9600, "s", 8, 1), 0);
    EXPECT_EQ(PWPeekChar(port), PORTKIT_NOT_SUPPORTED);
    EXPECT_EQ(PWBlock(port, 1), PORTKIT_NOT_SUPPORTED);
    PWPortClose(port);
}

TEST_F(SerialOnPty, BytesCrossBothWays) {
    PortStructure *port = PortOpenMSWin32(kPort, 115200, 'N', 8, 1);
    ASSERT_EQ(PWGetPortStatus(port), 0);
    std::string all_bytes;
    for (int c = 0; c < 256; ++c) all_bytes.push_back(static_cast<char>(c));
    ASSERT_EQ(PWWriteBuffer(port, all_bytes.data(), static_cast<unsigned>(all_bytes.size())), 0);
    EXPECT_EQ(PWGetPortCount(port), 256);
    EXPECT_EQ(pty.ReadMaster(256), all_bytes);

    pty.WriteMaster(all_bytes);
    std::string received;
    const int32_t deadline = DeadlineAfter(2000);
    char chunk[100];
    while (received.size() < 256 && !DeadlineReached(deadline)) {
        if (PWReadBuffer(port, chunk, sizeof chunk) == 0) received.append(chunk, PWGetPortCount(port));
    }
    EXPECT_EQ(received, all_bytes);
    EXPECT_EQ(PWReadBuffer(port, chunk, sizeof chunk), PORTKIT_BUFFER_EMPTY);
    EXPECT_EQ(PWGetPortCount(port), 0);
    EXPECT_EQ(PWGetPortStatus(port), 0);  // an empty read is not a failure
    EXPECT_EQ(PWReadChar(port), PORTKIT_BUFFER_EMPTY);
    PWPortClose(port);
}

double ThreadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

TEST_F(SerialOnPty, WaitsWithInputLeftUnreadSeeMoreArriveAndCostNoCpu) {
    PortStructure *port = PortOpenMSWin32(kPort, 115200, 'N', 8, 1);
    ASSERT_EQ(PWGetPortStatus(port), 0);
    pty.WriteMaster(std::string(100, 'a'));
    const int32_t first_deadline = DeadlineAfter(2000);
    while (PWSpaceUsedInRXBuffer(port) < 100 && !DeadlineReached(first_deadline)) PortKillTime(port, 5);
    ASSERT_EQ(PWSpaceUsedInRXBuffer(port), 100);

    // More comes while the first bytes are still unread: a caller waiting
    // for a count must see it grow.
    pty.WriteMaster(std::string(200, 'b'));
    const int32_t deadline = DeadlineAfter(2000);
    while (PWSpaceUsedInRXBuffer(port) < 300 && !DeadlineReached(deadline)) PortKillTime(port, 5);
    EXPECT_EQ(PWSpaceUsedInRXBuffer(port), 300);

    // A pause with unread input sleeps instead of spinning.
    const double cpu_before = ThreadCpuMilliseconds();
    EXPECT_EQ(PortKillTime(port, 300), 0);
    EXPECT_LT(ThreadCpuMilliseconds() - cpu_before, 100.0);
    PWPortClose(port);
}

TEST_F(SerialOnPty, APortIsHeldExclusively) {
    PortStructure *first = PortOpenMSWin32(kPort, 9600, 'N', 8, 1);
    ASSERT_EQ(PWGetPortStatus(first), 0);
    PortStructure *second = PortOpenMSWin32(kPort, 9600, 'N', 8, 1);
    EXPECT_EQ(PWGetPortStatus(second), PORTKIT_IN_USE);
    EXPECT_EQ(PWReadChar(second), PORTKIT_NOT_SUPPORTED);  // default slots
    PWPortClose(second);
    PWPortClose(first);

    // Another program holding the device.
    const int other = open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    PortStructure *blocked = PortOpenMSWin32(kPort, 9600, 'N', 8, 1);
    EXPECT_EQ(PWGetPortStatus(blocked), PORTKIT_IN_USE);
    PWPortClose(blocked);
    close(other);

    PortStructure *again = PortOpenMSWin32(kPort, 9600, 'N', 8, 1);
    EXPECT_EQ(PWGetPortStatus(again), 0);
#ifdef TIOCGEXCL
    // Exclusive while open, and not after: the pty lives on with its master,
    // and a flag left set would shut out every later user but root.
    int exclusive = -1;
    ASSERT_EQ(ioctl(pty.slave(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    PWPortClose(again);
    ASSERT_EQ(ioctl(pty.slave(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
#else
    PWPortClose(again);
#endif
}

TEST(SerialDevices, AMissingDeviceIsReportedAsNotPresent) {
    setenv("PORTKIT_COM22", "/dev/portkit-no-such-device", 1);
    PortStructure *port = PortOpenMSWin32(21, 9600, 'N', 8, 1);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_NO_DEVICE);
    EXPECT_EQ(PWGetPortHandle(port), 21);
    EXPECT_EQ(PortMSWin32GetCommHandle(port), nullptr);
    EXPECT_EQ(PWPortClose(port), 0);
    unsetenv("PORTKIT_COM22");

    // Without a mapping, port n is /dev/ttyS<n>.
    PortStructure *unmapped = PortOpenMSWin32(250, 9600, 'N', 8, 1);
    EXPECT_EQ(PWGetPortStatus(unmapped), PORTKIT_NO_DEVICE);
    PWPortClose(unmapped);
}

TEST_F(SerialOnPty, ThePtyLooksLikeAConnectedLineAndLosesCarrierWhenItsPeerCloses) {
    auto *pair = new PtyPair;
    pair->MapToPort(kPort);
    PortStructure *port = PortOpenMSWin32(kPort, 9600, 'N', 8, 1);
    ASSERT_EQ(PWGetPortStatus(port), 0);
    EXPECT_EQ(GetCd(port), PORTKIT_MS_CD);
    EXPECT_EQ(GetCts(port), PORTKIT_MS_CTS);
    delete pair;  // master and our test's slave descriptor close
    PWReadChar(port);
    EXPECT_EQ(GetCd(port), 0);
    PWPortClose(port);
}

// A pty has no modem lines: setting one is refused with the system's reason,
// never reported done, and the line carries bytes as before.
TEST_F(SerialOnPty, DtrAndRtsOnAPtyAreRefusedWithTheSystemsReason) {
    PortStructure *port = PortOpenMSWin32(kPort, 9600, 'N', 8, 1);
    ASSERT_EQ(PWGetPortStatus(port), 0);
    for (int (*set)(PortStructure *, int) : {PWSetDtr, PWSetRts}) {
        EXPECT_LT(set(port, 0), 0);
        EXPECT_NE(PWGetSystemError(port), 0);
        PWClearError(port);
    }
    ASSERT_EQ(PWWriteChar(port, 'k'), 0);
    EXPECT_EQ(pty.ReadMaster(1), "k");
    PWPortClose(port);
}

}  // namespace
}  // namespace portkit::test
