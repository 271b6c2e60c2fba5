// Ports behind a serial server, against a listening socket the test holds
// itself: the connect completes from the listen queue, so the test plays the
// server on its own thread, between the library's calls.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "drivers/net/net_address.h"
#include "portkit/port.h"
#include "portkit/serial.h"
#include "portkit/timedio.h"

namespace portkit::test {
namespace {

class Listener {
public:
    Listener() {
        listening_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listening_, reinterpret_cast<sockaddr *>(&address), length);
        listen(listening_, 4);
        getsockname(listening_, reinterpret_cast<sockaddr *>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() {
        if (peer_ >= 0) close(peer_);
        if (listening_ >= 0) close(listening_);
    }
    std::string Url(const char *scheme) const { return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_); }
    int port() const { return port_; }

    bool Accept() {
        pollfd watch{listening_, POLLIN, 0};
        if (poll(&watch, 1, 2000) <= 0) return false;
        peer_ = accept(listening_, nullptr, nullptr);
        return peer_ >= 0;
    }
    void Send(const std::string &bytes) {
        ASSERT_EQ(send(peer_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    }
    // What the client has sent until `count` bytes came or a quiet 200 ms.
    std::string Receive(std::size_t count = 1 << 20) {
        std::string got;
        char buffer[65536];
        while (got.size() < count) {
            pollfd watch{peer_, POLLIN, 0};
            if (poll(&watch, 1, 200) <= 0) break;
            const ssize_t n = recv(peer_, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }
    void Close() {
        close(peer_);
        peer_ = -1;
    }
    void Reset() {
        linger abrupt{1, 0};
        setsockopt(peer_, SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt);
        Close();
    }
    void StopListening() {
        close(listening_);
        listening_ = -1;
    }

private:
    int listening_ = -1;
    int peer_ = -1;
    int port_ = 0;
};

std::string EveryByteValue(int rounds) {
    std::string bytes;
    for (int round = 0; round < rounds; ++round) {
        for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

// Reads what the port has until `count` bytes came or time is up.
std::string ReadFromPort(PortStructure *port, std::size_t count) {
    std::string got;
    const int32_t deadline = ElapsedTime() + 3000;
    char buffer[4096];
    while (got.size() < count && ElapsedTime() - deadline < 0) {
        if (PWReadBuffer(port, buffer, sizeof buffer) == 0 || PWGetPortCount(port) > 0) {
            got.append(buffer, static_cast<std::size_t>(PWGetPortCount(port)));
        } else {
            PortKillTime(port, 1);
        }
    }
    return got;
}

TEST(NetworkNames, SchemesHostsAndPortsAreTakenApartAndMalformedNamesRefused) {
    net::NetAddress address;
    ASSERT_TRUE(net::ParseNetworkName("rfc2217://labpi:2001", &address));
    EXPECT_EQ(address.kind, net::NetKind::kRfc2217);
    EXPECT_EQ(address.host, "labpi");
    EXPECT_EQ(address.service, "2001");
    ASSERT_TRUE(net::ParseNetworkName("TCP://10.0.0.7:4001/", &address));
    EXPECT_EQ(address.kind, net::NetKind::kRawTcp);
    EXPECT_EQ(address.host, "10.0.0.7");
    ASSERT_TRUE(net::ParseNetworkName("rfc2217://[fe80::1%eth0]:7000", &address));
    EXPECT_EQ(address.host, "fe80::1%eth0");
    for (const char *bad :
         {"rfc2217://labpi", "tcp://:2001", "tcp://host:0", "tcp://host:65536", "tcp://host:20x1", "tcp://[::1]2001",
          "tcp://[::1:2001", "tcp://a b:1", "tcp://host;rm:1", "tcp://::1:2001", "telnet://host:23"}) {
        EXPECT_FALSE(net::ParseNetworkName(bad, &address)) << bad;
    }
    EXPECT_TRUE(net::IsNetworkName("tcp://"));  // never taken for a device path
    EXPECT_FALSE(net::IsNetworkName("/dev/ttyS0"));
}

TEST(NetworkPortOpen, AMalformedNameOrAServerNotThereFailsWithTheReason) {
    PortStructure *port = PortOpenMSWin32ByName("tcp://127.0.0.1", 9600, 'N', 8, 1);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_INVALID_PARAMETER);
    PWPortClose(port);

    Listener gone;
    const std::string url = gone.Url("rfc2217");
    gone.StopListening();
    port = PortOpenMSWin32ByName(url.c_str(), 9600, 'N', 8, 1);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_NO_DEVICE);
    EXPECT_EQ(PWGetSystemError(port), ECONNREFUSED);
    PWPortClose(port);
}

class RawTcpPort : public ::testing::Test {
protected:
    void SetUp() override {
        port = PortOpenMSWin32ByName(server.Url("tcp").c_str(), 115200, 'N', 8, 1);
        ASSERT_EQ(PWGetPortStatus(port), 0);
        ASSERT_TRUE(server.Accept());
    }
    void TearDown() override {
        if (port != nullptr) PWPortClose(port);
    }
    Listener server;
    PortStructure *port = nullptr;
};

TEST_F(RawTcpPort, EveryByteValueCrossesBothWaysUntouched) {
    EXPECT_EQ(PWGetPortDriverType(port), PORTKIT_DRIVER_NETWORK);
    const std::string bytes = EveryByteValue(64);
    ASSERT_EQ(WriteBufferTimed(port, bytes.data(), static_cast<unsigned>(bytes.size()), 3000), 0);
    EXPECT_EQ(server.Receive(bytes.size()), bytes);
    server.Send(bytes);
    EXPECT_EQ(ReadFromPort(port, bytes.size()), bytes);
}

TEST_F(RawTcpPort, SettingsAreKeptHereAndLinesItHasNotFailAsOnAPty) {
    EXPECT_EQ(PWPortSet(port, 9600, "E", 7, 2), 0);
    EXPECT_EQ(PWPortSet(port, 9600, "Q", 7, 2), PORTKIT_ILLEGAL_PARITY);
    EXPECT_EQ(PWUseRtsCts(port, 1), 0);
    EXPECT_EQ(PWSetDtr(port, 0), PORTKIT_GENERAL_ERROR);
    EXPECT_EQ(PWSendBreak(port, 10), PORTKIT_GENERAL_ERROR);
    EXPECT_EQ(server.Receive(), "");  // nothing of it reaches the server
}

TEST_F(RawTcpPort, AClosedOrResetConnectionIsALostLineAfterWhatCameBeforeIt) {
    server.Send("last words");
    server.Close();
    EXPECT_EQ(ReadFromPort(port, 10), "last words");
    const int32_t started = ElapsedTime();
    EXPECT_EQ(ReadCharTimed(port, 5000), PORTKIT_XFER_LOST_CARRIER);
    EXPECT_LT(ElapsedTime() - started, 1000);
    EXPECT_EQ(PWWriteBuffer(port, "x", 1), PORTKIT_XFER_LOST_CARRIER);
}

TEST_F(RawTcpPort, AResetEndsAWaitAtOnce) {
    server.Reset();
    const int32_t started = ElapsedTime();
    EXPECT_EQ(ReadCharTimed(port, 5000), PORTKIT_XFER_LOST_CARRIER);
    EXPECT_LT(ElapsedTime() - started, 1000);
}

}  // namespace
}  // namespace portkit::test
