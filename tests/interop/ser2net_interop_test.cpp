// Transfers through ser2net, over its raw TCP port and over RFC 2217, to
// lrzsz and C-Kermit at the device's end of the line; line settings reaching
// the device; and a server killed in the middle of a transfer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "portkit/serial.h"
#include "portkit/transfer.h"
#include "support/batch_files.h"
#include "support/peer_process.h"
#include "support/scratch_files.h"
#include "support/ser2net_server.h"

namespace portkit::test {
namespace {

// Sizes around a block's edges, random bytes (every value among them). The
// names have no blanks, as a peer's command line takes them.
const std::vector<std::size_t> kSizes = {0, 1, 1024, 1025, 70000};

enum class Kind { kRaw, kRfc2217 };

constexpr int kServerOpensDeviceMs = 300;

struct Protocol;

class ThroughSer2net : public ::testing::TestWithParam<Kind> {
protected:
    void BothWays(const Protocol &protocol, const std::vector<std::size_t> &sizes);
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        mkdir((dir / "recv").c_str(), 0755);
        log.clear();
    }
    std::string Url() const { return GetParam() == Kind::kRaw ? server.tcp_url() : server.rfc2217_url(); }

    // Our port through the server, then the peer at the device's end. The
    // server opens the device only for a client, and flushes it on opening:
    // a peer's first packet written before then would be lost.
    PortStructure *Start(const std::string &command) {
        peer.reset();
        PortStructure *port = PortOpenMSWin32ByName(Url().c_str(), 115200, 'N', 8, 1);
        EXPECT_EQ(PWGetPortStatus(port), 0);
        PortKillTime(port, kServerOpensDeviceMs);
        peer = std::make_unique<PeerProcess>(server.line().FarCommand(command), dir.path());
        return port;
    }
    void Finish(PortStructure *port, int result, int expected_files) {
        EXPECT_EQ(result, expected_files) << log << peer->Log();
        EXPECT_EQ(peer->Wait(), 0) << peer->Log();
        PWPortClose(port);
    }
    void EmptyReceiveDirectory() {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        std::filesystem::remove_all(dir / "recv");
        mkdir((dir / "recv").c_str(), 0755);
        log.clear();
    }
    static void Log(const char *line, TransferRecord *) { log += std::string(line) + "\n"; }
    static inline std::string log;

    TempDirectory dir;
    Ser2netServer server;
    std::unique_ptr<PeerProcess> peer;
};

// lrzsz flushes its terminal as it ends, which throws away its last
// acknowledgement whenever the line's relay has not read it yet (the relay,
// ser2net and the network read more slowly than a port on the pty itself):
// the receiver talks through socat on a socket pair instead, where a flush
// has nothing to throw away.
std::string LrzszReceiver(const std::string &command) {
    return "socat -t 0.5 STDIO,raw,echo=0 SYSTEM:'exec " + command + "'";
}

std::string Names(const std::vector<BatchFile> &files, const std::string &prefix, const char *separator) {
    std::string names;
    for (const BatchFile &file : files) names += prefix + file.name + separator;
    return names;
}

// Our sender to `receiver` started in recv/, then `sender` started in send/
// with the files' names to our receiver.
struct Protocol {
    std::string receiver;
    std::string sender;
    const char *separator;  // between the names our sender takes
    int (*send)(PortStructure *port, const char *names);
    int (*receive)(PortStructure *port);
};

void ThroughSer2net::BothWays(const Protocol &protocol, const std::vector<std::size_t> &sizes) {
    const std::vector<BatchFile> files = MakeBatch(dir, "send", sizes, 3);
    const int count = static_cast<int>(files.size());
    PortStructure *port = Start("cd recv && exec " + protocol.receiver);
    Finish(port, protocol.send(port, Names(files, "send/", protocol.separator).c_str()), count);
    ExpectReceived(dir, "recv", files);

    EmptyReceiveDirectory();
    port = Start("cd send && exec " + protocol.sender + " " + Names(files, "", " "));
    ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
    Finish(port, protocol.receive(port), count);
    ExpectReceived(dir, "recv", files);
}

TEST_P(ThroughSer2net, ZmodemBothWaysWithLrzsz) {
    BothWays(
        {LrzszReceiver("rz -q -y"), "sz -q", " ",
         [](PortStructure *port, const char *names) { return ZmodemSendWithOptions(port, names, Log, nullptr, 0); },
         [](PortStructure *port) { return ZmodemReceiveWithOptions(port, Log, nullptr, 0); }},
        kSizes);
}

TEST_P(ThroughSer2net, YmodemBothWaysWithLrzsz) {
    BothWays(
        {LrzszReceiver("rb -q"), "sb -q", " ",
         [](PortStructure *port, const char *names) { return YmodemSendWithOptions(port, names, Log, nullptr, 0); },
         [](PortStructure *port) { return YmodemReceiveWithOptions(port, Log, nullptr, 0); }},
        {1, 1025, 70000});
}

TEST_P(ThroughSer2net, KermitBothWaysWithCKermit) {
    BothWays({"kermit -Y -q -l /dev/stdin -i -P -r", "kermit -Y -q -l /dev/stdin -i -P -s", ",",
              [](PortStructure *port, const char *names) {
                  return KermitSendWithOptions(port, names, Log, nullptr, 0, 0, 0);
              },
              [](PortStructure *port) { return KermitReceiveWithOptions(port, Log, nullptr, 0, 0); }},
             {1, 5000, 70000});
}

INSTANTIATE_TEST_SUITE_P(RawAndRfc2217, ThroughSer2net, ::testing::Values(Kind::kRaw, Kind::kRfc2217),
                         [](const auto &info) { return info.param == Kind::kRaw ? "Raw" : "Rfc2217"; });

class Rfc2217ThroughSer2net : public ThroughSer2net {};

// Every IAC of 20 MB of random bytes doubled one way and taken apart again.
TEST_F(Rfc2217ThroughSer2net, TwentyMegabytesOfZmodemArriveIntact) {
    const std::string data = RandomBytes(20u << 20, 29);
    WriteFile(dir / "big.bin", data);
    PortStructure *port = PortOpenMSWin32ByName(server.rfc2217_url().c_str(), 115200, 'N', 8, 1);
    ASSERT_EQ(PWGetPortStatus(port), 0);
    PortKillTime(port, kServerOpensDeviceMs);
    peer = std::make_unique<PeerProcess>(server.line().FarCommand("cd recv && exec " + LrzszReceiver("rz -q -y")),
                                         dir.path());
    Finish(port, ZmodemSendWithOptions(port, "big.bin", Log, nullptr, PORTKIT_XFER_ZMODEM_STREAM, 0), 1);
    EXPECT_TRUE(ReadFile(dir / "recv/big.bin") == data);
}

TEST_F(Rfc2217ThroughSer2net, LineSettingsReachTheDevice) {
    PortStructure *port = PortOpenMSWin32ByName(server.rfc2217_url().c_str(), 57600, 'N', 8, 2);
    ASSERT_EQ(PWGetPortStatus(port), 0);
    PortKillTime(port, 200);  // the server applies what it is sent
    EXPECT_EQ(server.DeviceSpeed(), 57600u);
    EXPECT_EQ(PWPortSet(port, 9600, "N", 8, 1), 0);
    PortKillTime(port, 200);
    EXPECT_EQ(server.DeviceSpeed(), 9600u);
    PWPortClose(port);
}

// The server gone mid-transfer is a lost line at once, not a time-out.
TEST_F(Rfc2217ThroughSer2net, AServerKilledMidTransferEndsItAsALostLineWithinASecond) {
    WriteFile(dir / "big.bin", RandomBytes(20u << 20, 31));
    PortStructure *port = PortOpenMSWin32ByName(server.rfc2217_url().c_str(), 115200, 'N', 8, 1);
    ASSERT_EQ(PWGetPortStatus(port), 0);
    PortKillTime(port, kServerOpensDeviceMs);
    peer = std::make_unique<PeerProcess>(server.line().FarCommand("cd recv && exec " + LrzszReceiver("rz -q -y")),
                                         dir.path());
    using Clock = std::chrono::steady_clock;
    Clock::time_point killed;
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        killed = Clock::now();
        server.Kill();
    });
    const int result = ZmodemSendWithOptions(port, "big.bin", Log, nullptr, 0);
    const auto ended = Clock::now();
    killer.join();
    EXPECT_EQ(result, PORTKIT_XFER_LOST_CARRIER) << log;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(ended - killed).count(), 1000);
    PWPortClose(port);
    peer->Wait(500);
}

}  // namespace
}  // namespace portkit::test
