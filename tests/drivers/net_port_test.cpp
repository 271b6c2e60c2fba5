// Ports behind a serial server, against a listening socket the test holds
// itself: the connect completes from the listen queue, so the test plays the
// server on its own thread, between the library's calls.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "drivers/net/net_address.h"
#include "portkit/port.h"
#include "portkit/serial.h"
#include "portkit/timedio.h"
#include "support/loopback_listener.h"

namespace portkit::test {
namespace {

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

    LoopbackListener gone;
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
    LoopbackListener server;
    PortStructure *port = nullptr;
};

TEST_F(RawTcpPort, EveryByteValueCrossesBothWaysUntouched) {
    EXPECT_EQ(PWGetPortDriverType(port), PORTKIT_DRIVER_NETWORK);
    const std::string bytes = EveryByteValue(64);
    ASSERT_EQ(WriteBufferTimed(port, bytes.data(), static_cast<unsigned>(bytes.size()), 3000), 0);
    EXPECT_EQ(server.Receive(bytes.size()), bytes);
    ASSERT_TRUE(server.Send(bytes));
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
    ASSERT_TRUE(server.Send("last words"));
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

// Telnet with Com Port Control: what goes to the server and what its
// reports come to.
constexpr char kIac = '\xFF';
const std::string kSb = "\xFF\xFA\x2C";  // IAC SB COM-PORT-OPTION
const std::string kSe = "\xFF\xF0";

std::string Command(int command, const std::string &value) { return kSb + static_cast<char>(command) + value + kSe; }

class Rfc2217Port : public ::testing::Test {
protected:
    void SetUp() override {
        port = PortOpenMSWin32ByName(server.Url("rfc2217").c_str(), 115200, 'N', 8, 1);
        ASSERT_EQ(PWGetPortStatus(port), 0);
        ASSERT_TRUE(server.Accept());
        opening = server.Receive();
    }
    void TearDown() override {
        if (port != nullptr) PWPortClose(port);
    }
    // Lets the port take what the server sent.
    void Settle() { PortKillTime(port, 20); }
    LoopbackListener server;
    PortStructure *port = nullptr;
    std::string opening;
};

TEST_F(Rfc2217Port, TheOpeningAsksForTheOptionAndSendsTheLineAndEverySettingChange) {
    EXPECT_NE(opening.find("\xFF\xFB\x2C"), std::string::npos);                                  // WILL COM-PORT-OPTION
    EXPECT_NE(opening.find("\xFF\xFB\x00"), std::string::npos);                                  // WILL BINARY
    EXPECT_NE(opening.find("\xFF\xFD\x00"), std::string::npos);                                  // DO BINARY
    EXPECT_NE(opening.find(Command(1, std::string("\x00\x01\xC2\x00", 4))), std::string::npos);  // 115200
    EXPECT_NE(opening.find(Command(2, "\x08")), std::string::npos);
    EXPECT_NE(opening.find(Command(3, "\x01")), std::string::npos);
    EXPECT_NE(opening.find(Command(4, "\x01")), std::string::npos);
    EXPECT_NE(opening.find(Command(5, "\x08")), std::string::npos);  // DTR on, as a local open leaves it

    EXPECT_EQ(PWPortSet(port, 9600, "E", 7, 2), 0);
    const std::string changed = server.Receive();
    EXPECT_NE(changed.find(Command(1, std::string("\x00\x00\x25\x80", 4))), std::string::npos);
    EXPECT_NE(changed.find(Command(2, "\x07")), std::string::npos);
    EXPECT_NE(changed.find(Command(3, "\x03")), std::string::npos);
    EXPECT_NE(changed.find(Command(4, "\x02")), std::string::npos);

    EXPECT_EQ(PWSetDtr(port, 0), 0);
    EXPECT_EQ(server.Receive(), Command(5, "\x09"));
    EXPECT_EQ(PWUseRtsCts(port, 1), 0);
    EXPECT_EQ(server.Receive(), Command(5, "\x03"));
    EXPECT_EQ(PWSendBreak(port, 10), 0);
    EXPECT_EQ(server.Receive(), Command(5, "\x05") + Command(5, "\x06"));
    EXPECT_EQ(PWClearTXBuffer(port), 0);
    EXPECT_EQ(server.Receive(), Command(12, "\x02"));
}

TEST_F(Rfc2217Port, EveryByteValueCrossesWithItsIacDoubledOnTheWireOnly) {
    const std::string bytes = EveryByteValue(16);
    std::string escaped;
    for (char c : bytes) {
        escaped.push_back(c);
        if (c == kIac) escaped.push_back(kIac);
    }
    ASSERT_EQ(WriteBufferTimed(port, bytes.data(), static_cast<unsigned>(bytes.size()), 3000), 0);
    EXPECT_EQ(server.Receive(escaped.size()), escaped);
    ASSERT_TRUE(server.Send(escaped));
    EXPECT_EQ(ReadFromPort(port, bytes.size()), bytes);
}

TEST_F(Rfc2217Port, TheServersReportsAreWhatTheStatusCallsAnswer) {
    ASSERT_TRUE(server.Send(Command(107, "\xB0") + Command(106, "\x10") + "data"));
    EXPECT_EQ(ReadFromPort(port, 4), "data");
    EXPECT_EQ(PWGetModemStatus(port), PORTKIT_MS_CD | PORTKIT_MS_DSR | PORTKIT_MS_CTS);
    EXPECT_EQ(PWGetLineStatus(port) & PORTKIT_LS_BREAK, PORTKIT_LS_BREAK);
    EXPECT_EQ(PWClearLineStatus(port), 0);
    EXPECT_EQ(PWGetLineStatus(port), 0);
}

TEST_F(Rfc2217Port, OutputWaitsWhileTheServerHasSuspendedIt) {
    ASSERT_TRUE(server.Send(Command(108, "")));
    Settle();
    ASSERT_EQ(PWWriteBuffer(port, "held", 4), 0);
    EXPECT_EQ(server.Receive(), "");
    EXPECT_EQ(PWSetRts(port, 0), 0);  // commands still go
    EXPECT_EQ(server.Receive(), Command(5, "\x0C"));
    ASSERT_TRUE(server.Send(Command(109, "")));
    Settle();
    EXPECT_EQ(server.Receive(4), "held");
}

TEST_F(Rfc2217Port, EchoIsRefusedAndAHostileStreamEndsNoWorseThanALostLine) {
    ASSERT_TRUE(server.Send("\xFF\xFB\x01"));  // WILL ECHO
    Settle();
    EXPECT_EQ(server.Receive(), "\xFF\xFE\x01");  // DONT ECHO
    // An endless subnegotiation, then the connection drops mid-command.
    std::string endless = kSb + '\x6B';
    endless.append(100000, 'x');
    ASSERT_TRUE(server.Send(endless + "\xFF"));
    server.Close();
    const int32_t started = ElapsedTime();
    EXPECT_EQ(ReadCharTimed(port, 5000), PORTKIT_XFER_LOST_CARRIER);
    EXPECT_LT(ElapsedTime() - started, 1000);
}

}  // namespace
}  // namespace portkit::test
