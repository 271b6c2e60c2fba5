// The network ports' test rig itself: ser2net in front of a pty line, and
// the scripted server, where a fault would make the driver's tests pass or
// fail for the wrong reason.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "support/loopback_tcp.h"
#include "support/ser2net_server.h"
#include "support/scripted_telnet_server.h"

namespace portkit::test {
namespace {

using namespace std::string_literals;  // commands hold NUL bytes

const std::string kDoComPort = "\xff\xfd\x2c";
const std::string kWillComPort = "\xff\xfb\x2c";

std::string EveryByteValue(int repeats) {
    std::string bytes;
    for (int r = 0; r < repeats; ++r) {
        for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
    }
    return bytes;
}

// Reads until `wanted` is among the bytes, the connection ends, or 2 s pass.
std::string ReadUntil(int fd, const std::string &wanted) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    std::string got;
    while (got.find(wanted) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        const ReadEnd end = ReadOnce(fd, &got, 50);
        if (end == ReadEnd::kClosed || end == ReadEnd::kReset) break;
    }
    return got;
}

class Connection {
public:
    explicit Connection(unsigned port) : fd_(ConnectToLoopback(port)) {}
    ~Connection() {
        if (fd_ >= 0) close(fd_);
    }
    int fd() const { return fd_; }

private:
    int fd_;
};

TEST(Ser2netRig, RawAccepterPassesEveryByteBothWays) {
    Ser2netServer server;
    Connection client(server.tcp_port());
    ASSERT_GE(client.fd(), 0);
    const std::string bytes = EveryByteValue(64);
    ASSERT_TRUE(SendAllBytes(client.fd(), bytes));
    EXPECT_EQ(server.ReadLine(bytes.size(), 5000), bytes);
    server.WriteLine(bytes);
    EXPECT_EQ(ReceiveBytes(client.fd(), bytes.size(), 5000), bytes);
}

TEST(Ser2netRig, TelnetAccepterOffersComPortControlAndSetsTheDevicesSpeed) {
    Ser2netServer server({.speed = 9600});
    Connection client(server.rfc2217_port());
    ASSERT_GE(client.fd(), 0);
    ASSERT_NE(ReadUntil(client.fd(), kDoComPort).find(kDoComPort), std::string::npos);
    EXPECT_EQ(server.DeviceSpeed(), 9600u);
    const std::string set_57600 = "\xff\xfa\x2c\x01\x00\x00\xe1\x00\xff\xf0"s;
    ASSERT_TRUE(SendAllBytes(client.fd(), kWillComPort + set_57600));
    const std::string answer = "\xff\xfa\x2c\x65\x00\x00\xe1\x00\xff\xf0"s;
    EXPECT_NE(ReadUntil(client.fd(), answer).find(answer), std::string::npos);
    EXPECT_EQ(server.DeviceSpeed(), 57600u);
}

TEST(Ser2netRig, TwoServersAtOnceHaveTheirOwnPortsAndLines) {
    Ser2netServer first;
    Ser2netServer second;
    EXPECT_NE(first.device_path(), second.device_path());
    for (const unsigned port : {second.rfc2217_port(), second.tcp_port()}) {
        EXPECT_NE(port, first.rfc2217_port());
        EXPECT_NE(port, first.tcp_port());
    }
    Connection client(second.tcp_port());
    ASSERT_TRUE(SendAllBytes(client.fd(), "to the second"));
    EXPECT_EQ(second.ReadLine(13), "to the second");
    EXPECT_EQ(first.ReadLine(1, 100), "");
}

TEST(Ser2netRig, KilledServerEndsItsClientAndComesBackOnTheSamePorts) {
    Ser2netServer server;
    const unsigned port = server.tcp_port();
    {
        Connection client(port);
        ASSERT_TRUE(SendAllBytes(client.fd(), "a"));
        ASSERT_EQ(server.ReadLine(1), "a");
        server.Kill();
        std::string got;
        EXPECT_NE(ReadOnce(client.fd(), &got, 2000), ReadEnd::kTimedOut);
        EXPECT_EQ(got, "");
    }
    server.Restart();
    EXPECT_EQ(server.tcp_port(), port);
    Connection client(port);
    ASSERT_TRUE(SendAllBytes(client.fd(), "b"));
    EXPECT_EQ(server.ReadLine(1), "b");
}

TEST(ScriptedTelnetServerRig, SendsPiecesWithPausesAndAnswersTheClient) {
    ScriptedTelnetServer server;
    server.AnswerEach(kWillComPort, ComPortSubnegotiation(107, "\xff"));
    Connection client(server.port());
    ASSERT_TRUE(server.WaitForClient(2000));
    const auto start = std::chrono::steady_clock::now();
    server.SendInPieces({"\xff", "\xfa\x2c\x6b", "\xb0\xff\xf0"}, 30);
    EXPECT_EQ(ReceiveBytes(client.fd(), 7), "\xff\xfa\x2c\x6b\xb0\xff\xf0");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));

    ASSERT_TRUE(SendAllBytes(client.fd(), "x" + kWillComPort + kWillComPort));
    EXPECT_TRUE(server.WaitForReceived("x" + kWillComPort + kWillComPort, 2000));
    const std::string notification = "\xff\xfa\x2c\x6b\xff\xff\xff\xf0";
    EXPECT_EQ(ReceiveBytes(client.fd(), 16), notification + notification);
}

TEST(ScriptedTelnetServerRig, ClosesAfterWhatWasQueuedAndResetsTheNextClient) {
    ScriptedTelnetServer server;
    {
        Connection client(server.port());
        server.Send("last words");
        server.Close();
        EXPECT_EQ(ReceiveBytes(client.fd(), 10), "last words");
        std::string more;
        EXPECT_EQ(ReadOnce(client.fd(), &more, 2000), ReadEnd::kClosed);
    }
    EXPECT_TRUE(server.WaitForClientClose(2000));
    Connection client(server.port());
    ASSERT_TRUE(server.WaitForClient(2000, 2));
    EXPECT_FALSE(server.WaitForClientClose(0));
    server.Reset();
    std::string got;
    EXPECT_EQ(ReadOnce(client.fd(), &got, 2000), ReadEnd::kReset);
}

TEST(ScriptedTelnetServerRig, StopsAnsweringSoTheClientsWritesBackUp) {
    ScriptedTelnetServer server;
    Connection client(server.port());
    ASSERT_TRUE(server.WaitForClient(2000));
    server.StopAnswering();
    // The kernel's buffers on both sides fill; a server still reading would
    // take 256 MiB without a pause.
    const std::string chunk(1 << 20, 'z');
    bool backed_up = false;
    for (int i = 0; i < 256 && !backed_up; ++i) backed_up = !SendAllBytes(client.fd(), chunk, 200);
    EXPECT_TRUE(backed_up);
}

}  // namespace
}  // namespace portkit::test
