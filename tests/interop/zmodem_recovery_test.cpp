// Recovery from a transfer that really broke off: sz killed halfway through
// a file, and our sender stopped halfway by its abort hook. Resuming leaves
// the whole file, and only the missing part crosses the line again. Then
// the answers that keep a session going when a header goes astray, checked
// against a scripted peer on a clean line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "portkit/crc.h"
#include "portkit/serial.h"
#include "portkit/timedio.h"
#include "portkit/transfer.h"
#include "support/noisy_relay.h"
#include "support/peer_process.h"

namespace portkit::test {
namespace {

constexpr int kPort = 54;
constexpr int kScriptPort = 55;
constexpr std::size_t kFileSize = 600000;

std::string transfer_log;
void Log(const char *line, TransferRecord *) { transfer_log += std::string(line) + "\n"; }

// The lowest N of the log's lines that start with `prefix` and go on "N";
// -1 when there are none.
long LowestPosition(const std::string &prefix) {
    long lowest = -1;
    for (std::size_t at = transfer_log.find(prefix); at != std::string::npos; at = transfer_log.find(prefix, at + 1)) {
        const long position = std::strtol(transfer_log.c_str() + at + prefix.size(), nullptr, 10);
        if (lowest < 0 || position < lowest) lowest = position;
    }
    return lowest;
}

pid_t sz_pid = -1;
int KillSzPastHalf(TransferRecord *record) {
    if (sz_pid > 0 && record->byte_total > static_cast<std::int32_t>(kFileSize / 2)) {
        kill(sz_pid, SIGKILL);
        sz_pid = -1;
    }
    return 0;
}

int StopPastHalf(TransferRecord *record) {
    return record->byte_total > static_cast<std::int32_t>(kFileSize / 2) ? PORTKIT_XFER_USER_ABORT : 0;
}

class ZmodemRecovery : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        mkdir((dir / "recv").c_str(), 0755);
        WriteFile(dir / "big.bin", data);
        transfer_log.clear();
    }
    void TearDown() override {
        SetAbortXferFunctionPtr(nullptr);
        chdir("/");
    }

    PortStructure *Start(const std::vector<std::string> &argv) {
        peer = std::make_unique<PeerProcess>(argv, dir.path());
        PortStructure *port = peer->OpenPort(kPort);
        EXPECT_EQ(PWGetPortStatus(port), 0);
        return port;
    }

    // sz on big.bin, with its process id in sz_pid for KillSzPastHalf; the
    // receive directory is current.
    PortStructure *StartSzToKill() {
        PortStructure *port = Start({"sh", "-c", "echo $$ > sz.pid; exec sz -q big.bin"});
        EXPECT_EQ(chdir((dir / "recv").c_str()), 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (ReadFile(dir / "sz.pid").empty() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        sz_pid = std::atoi(ReadFile(dir / "sz.pid").c_str());
        return port;
    }

    // What the broken-off transfer left: a true start of the file, more
    // than nothing and less than all of it. Its length.
    long ExpectPartialCopy() {
        const std::string copy = ReadFile(dir / "recv/big.bin");
        EXPECT_GT(copy.size(), 0u);
        EXPECT_LT(copy.size(), data.size());
        EXPECT_EQ(copy, data.substr(0, copy.size())) << "the partial copy holds bytes never sent";
        return static_cast<long>(copy.size());
    }

    TempDirectory dir;
    const std::string data = RandomBytes(kFileSize, 21);
    std::unique_ptr<PeerProcess> peer;
};

TEST_F(ZmodemRecovery, SzKilledHalfwayIsResumedWhereItStopped) {
    PortStructure *port = StartSzToKill();
    ASSERT_GT(sz_pid, 0);
    // The line goes dead with sz; the carrier check notices at once.
    const int cut = ZmodemReceiveWithOptions(port, Log, KillSzPastHalf, PORTKIT_XFER_CHECK_CARRIER, 0);
    EXPECT_EQ(cut, PORTKIT_XFER_LOST_CARRIER) << transfer_log;
    EXPECT_EQ(sz_pid, -1) << "sz was never killed";
    peer->Wait();
    PWPortClose(port);
    const long kept = ExpectPartialCopy();

    transfer_log.clear();
    port = Start({"sz", "-q", "-r", "big.bin"});
    EXPECT_EQ(ZmodemReceiveWithOptions(port, Log, nullptr, PORTKIT_XFER_ZMODEM_RESUME, 0), 1) << transfer_log;
    EXPECT_EQ(peer->Wait(), 0) << peer->Log();
    PWPortClose(port);
    EXPECT_EQ(ReadFile(dir / "recv/big.bin"), data);
    EXPECT_NE(transfer_log.find("Resuming at offset " + std::to_string(kept) + "\n"), std::string::npos)
        << transfer_log;
    EXPECT_EQ(LowestPosition("ReadFileData: read @"), kept) << "data before the break was sent again";
}

// Without the carrier check too: a pty whose other side has closed is a
// line that has gone, and the receive ends at once rather than waiting out
// its time-outs.
TEST_F(ZmodemRecovery, SzKilledHalfwayEndsTheReceiveAtOnce) {
    PortStructure *port = StartSzToKill();
    ASSERT_GT(sz_pid, 0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ZmodemReceiveWithOptions(port, Log, KillSzPastHalf, 0), PORTKIT_XFER_LOST_CARRIER) << transfer_log;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(sz_pid, -1) << "sz was never killed";
    peer->Wait();
    PWPortClose(port);
    ExpectPartialCopy();
}

TEST_F(ZmodemRecovery, OurSenderStoppedHalfwayIsResumedByRz) {
    // Unrestricted, rz keeps what a cancelled transfer left.
    PortStructure *port = Start({"sh", "-c", "cd recv && exec rz -q -U"});
    SetAbortXferFunctionPtr(StopPastHalf);
    EXPECT_EQ(ZmodemSendWithOptions(port, "big.bin", Log, nullptr, 0), PORTKIT_XFER_USER_ABORT) << transfer_log;
    SetAbortXferFunctionPtr(nullptr);
    EXPECT_NE(peer->Wait(), 0) << "rz took the cut-off file for whole";
    PWPortClose(port);
    const long kept = ExpectPartialCopy();

    transfer_log.clear();
    port = Start({"sh", "-c", "cd recv && exec rz -q -r"});
    EXPECT_EQ(ZmodemSendWithOptions(port, "big.bin", Log, nullptr, PORTKIT_XFER_ZMODEM_RESUME, 0), 1) << transfer_log;
    EXPECT_EQ(peer->Wait(), 0) << peer->Log();
    PWPortClose(port);
    EXPECT_EQ(ReadFile(dir / "recv/big.bin"), data);
    EXPECT_EQ(LowestPosition("SendDataFrame: sending @"), kept) << transfer_log;
}

// A hex header at position 0 (or with flags `zf0`) as every ZMODEM program
// writes it; `damaged` spoils its CRC.
std::string HexHeader(int type, unsigned char zf0 = 0, bool damaged = false) {
    const unsigned char raw[5] = {static_cast<unsigned char>(type), 0, 0, 0, zf0};
    const std::uint16_t crc = CalculateBlockCRC16(5, 0, raw) ^ (damaged ? 1 : 0);
    char text[32];
    std::snprintf(text, sizeof text,
                  "**\x18"
                  "B%02x%02x%02x%02x%02x%02x%02x\r\n",
                  raw[0], raw[1], raw[2], raw[3], raw[4], crc >> 8, crc & 0xFF);
    return text;
}

// A ZCRCW subpacket of plain bytes, with its CRC-16, as follows a hex header.
std::string Subpacket(const std::string &data) {
    const unsigned char end = 'k';
    const std::uint16_t crc =
        CalculateCharacterCRC16(CalculateBlockCRC16(static_cast<int>(data.size()), 0, data.data()), end);
    std::string wire = data + "\x18" + static_cast<char>(end);
    for (const unsigned char byte : {static_cast<unsigned char>(crc >> 8), static_cast<unsigned char>(crc)}) {
        const bool escape = byte == 0x0D || byte == 0x10 || byte == 0x11 || byte == 0x13 || byte == 0x18 ||
                            byte == 0x8D || byte == 0x90 || byte == 0x91 || byte == 0x93;
        wire += escape ? std::string{'\x18', static_cast<char>(byte ^ 0x40)} : std::string(1, static_cast<char>(byte));
    }
    return wire + "\x11";
}

constexpr unsigned char kCanFc32AndFdx = 0x21;
constexpr char kZrinit[] =
    "\x18"
    "B01";
constexpr char kZrpos[] =
    "\x18"
    "B09";
constexpr char kZfileCrc32[] =
    "*\x18"
    "C\x04";

// One of our engines on a thread at the near end of a clean line; the test
// speaks ZMODEM at the far end.
class ZmodemScriptedPeer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        line.MapNearToPort(kPort);
        line.MapFarToPort(kScriptPort);
        ours = PortOpenMSWin32(kPort, 115200, 'N', 8, 1);
        script = PortOpenMSWin32(kScriptPort, 115200, 'N', 8, 1);
        ASSERT_EQ(PWGetPortStatus(ours), 0);
        ASSERT_EQ(PWGetPortStatus(script), 0);
    }
    void TearDown() override {
        // Five CAN end the engine whatever it waits for.
        Say(std::string(10, '\x18'));
        if (engine.joinable()) engine.join();
        PWPortClose(script);
        PWPortClose(ours);
        chdir("/");
    }

    void Say(const std::string &bytes) {
        EXPECT_EQ(WriteBufferTimed(script, bytes.data(), static_cast<unsigned>(bytes.size()), 1000), 0);
    }
    // True when `pattern` comes within `timeout_ms`; what came before it is dropped.
    bool Hear(const std::string &pattern, int timeout_ms) {
        std::string heard;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (std::chrono::steady_clock::now() < deadline) {
            const int c = ReadCharTimed(script, 10);
            if (c >= 0) heard += static_cast<char>(c);
            if (heard.find(pattern) != std::string::npos) return true;
        }
        return false;
    }

    TempDirectory dir;
    NoisyRelay line{0, 0};
    PortStructure *ours = nullptr;
    PortStructure *script = nullptr;
    std::thread engine;
};

// A receiver that missed the ZFILE says ZRINIT again. The XON ending that
// ZRINIT must not pass for the start of an answer to the ZFILE.
TEST_F(ZmodemScriptedPeer, SenderRepeatsTheFileHeaderTheReceiverMissed) {
    WriteFile(dir / "small.bin", RandomBytes(1000, 3));
    engine = std::thread([this] { ZmodemSendWithOptions(ours, "small.bin", nullptr, nullptr, 0); });
    const std::string zrinit = HexHeader(1, kCanFc32AndFdx) + "\x11";
    Say(zrinit);
    ASSERT_TRUE(Hear(kZfileCrc32, 3000));
    Say(zrinit);
    EXPECT_TRUE(Hear(kZfileCrc32, 1000)) << "the file header was not sent again";
}

// The sender may be waiting on the ZACK of a resynchronising ZCRCW, or on
// a ZRPOS that went astray. A header of its that came damaged, its ZNAK and
// its ZFILE sent again are all answered at once with our position.
TEST_F(ZmodemScriptedPeer, ReceiverRepeatsItsPositionWhenTheSenderMayBeWaiting) {
    engine = std::thread([this] { ZmodemReceiveWithOptions(ours, nullptr, nullptr, 0); });
    ASSERT_TRUE(Hear(kZrinit, 3000));
    const std::string zfile = HexHeader(4) + Subpacket(std::string("small.bin\0"
                                                                   "1000 0 0\0",
                                                                   19));
    Say(zfile);
    ASSERT_TRUE(Hear(kZrpos, 3000));
    Say(HexHeader(10, 0, true));
    EXPECT_TRUE(Hear(kZrpos, 1000)) << "no answer to a damaged ZDATA header";
    Say(HexHeader(6));
    EXPECT_TRUE(Hear(kZrpos, 1000)) << "no answer to ZNAK";
    Say(zfile);
    EXPECT_TRUE(Hear(kZrpos, 1000)) << "no answer to the ZFILE sent again";
}

}  // namespace
}  // namespace portkit::test
