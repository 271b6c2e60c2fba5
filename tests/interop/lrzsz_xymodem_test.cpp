// XMODEM, XMODEM-1K and YMODEM against lrzsz (sx/rx, sb/rb) over a pty pair.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ctime>
#include <string>
#include <vector>

#include "portkit/serial.h"
#include "portkit/transfer.h"
#include "support/batch_files.h"
#include "support/peer_process.h"
#include "support/peer_test.h"

namespace portkit::test {
namespace {

class AgainstLrzsz : public PeerTransferTest {
protected:
    // lrzsz flushes its terminal's queues right after answering and again on
    // exit; on a pty, where nothing takes time to arrive, that can throw away
    // a byte in flight now and then. A transfer with rx or sb that fails is therefore
    // run once more, and the first attempt's log is shown.
    template <typename Transfer>
    void WithOneRetry(const std::vector<std::string> &argv, Transfer send, int expected_files = 1) {
        for (int attempt = 0;; ++attempt) {
            transfer_log.clear();
            PortStructure *port = Start(argv);
            const int result = send(port);
            const int peer_status = peer->Wait();
            PWPortClose(port);
            if ((result == expected_files && peer_status == 0) || attempt == 1) {
                EXPECT_EQ(result, expected_files) << transfer_log << peer->Log();
                EXPECT_EQ(peer_status, 0) << peer->Log();
                return;
            }
            std::printf("first attempt failed (%d), retrying:\n%s%s\n", result, transfer_log.c_str(),
                        peer->Log().c_str());
        }
    }
};

// XMODEM carries no length: the copy is the file padded to a multiple of 128
// with the sender's pad character (ours 0, lrzsz's SUB).
void ExpectPaddedCopy(const std::string &original, const std::string &copy, char pad = '\0') {
    ASSERT_GE(copy.size(), original.size());
    EXPECT_EQ(copy.size() % 128, 0u);
    EXPECT_EQ(copy.substr(0, original.size()), original);
    EXPECT_EQ(copy.substr(original.size()), std::string(copy.size() - original.size(), pad));
}

TEST_F(AgainstLrzsz, XmodemCrcAndChecksumToRx) {
    for (const bool checksum : {false, true}) {
        const std::string data = RandomBytes(1000, checksum ? 1 : 2);
        WriteFile(dir / "out.bin", data);
        WithOneRetry(checksum ? std::vector<std::string>{"rx", "-q", "-y", "in.bin"}
                              : std::vector<std::string>{"rx", "-q", "-y", "-c", "in.bin"},
                     [](PortStructure *port) { return XmodemSendWithOptions(port, "out.bin", Log, nullptr, 0); });
        ExpectPaddedCopy(data, ReadFile(dir / "in.bin"));
        EXPECT_EQ(transfer_log.find("Falling back to checksum mode") != std::string::npos, checksum);
    }
}

TEST_F(AgainstLrzsz, Xmodem1KToRxAtBlockBoundaries) {
    for (const std::size_t size : {1u, 127u, 128u, 129u, 896u, 897u, 1023u, 1024u, 1025u}) {
        const std::string data = RandomBytes(size, static_cast<unsigned>(size));
        WriteFile(dir / "out.bin", data);
        WithOneRetry({"rx", "-q", "-y", "-c", "in.bin"},
                     [](PortStructure *port) { return Xmodem1KSendWithOptions(port, "out.bin", Log, nullptr, 0); });
        ExpectPaddedCopy(data, ReadFile(dir / "in.bin"));
    }
}

TEST_F(AgainstLrzsz, SxAndSx1KToOurReceiver) {
    for (const bool one_k : {false, true}) {
        const std::string data = RandomBytes(5000, one_k ? 3 : 4);
        WriteFile(dir / "out.bin", data);
        PortStructure *port = Start(one_k ? std::vector<std::string>{"sx", "-q", "-k", "out.bin"}
                                          : std::vector<std::string>{"sx", "-q", "out.bin"});
        const int result = one_k ? Xmodem1KReceiveWithOptions(port, "in.bin", Log, nullptr, 0)
                                 : XmodemReceiveWithOptions(port, "in.bin", Log, nullptr, 0);
        Finish(port, result, 1);
        ExpectPaddedCopy(data, ReadFile(dir / "in.bin"), '\x1A');
    }
}

std::vector<BatchFile> MakeBatch(const TempDirectory &dir, const std::string &subdirectory) {
    return test::MakeBatch(dir, subdirectory, {1, 127, 128, 129, 896, 897, 1023, 1024, 1025, 300000}, 1025);
}

TEST_F(AgainstLrzsz, YmodemBatchToRb) {
    const std::vector<BatchFile> files = MakeBatch(dir, "send");
    mkdir((dir / "recv").c_str(), 0755);
    std::string patterns;
    for (const BatchFile &file : files) {
        if (file.name.find(' ') != std::string::npos) continue;  // blanks separate names in a patterns
        patterns += "send/" + file.name + " ";
    }
    peer = std::make_unique<PeerProcess>(std::vector<std::string>{"sh", "-c", "cd recv && exec rb -q -y"}, dir.path());
    PortStructure *port = peer->OpenPort(kPeerPort);
    const int result = YmodemSendWithOptions(port, patterns.c_str(), Log, nullptr, 0);
    Finish(port, result, static_cast<int>(files.size()) - 1);
    std::vector<BatchFile> sent;
    for (const BatchFile &file : files) {
        if (file.name.find(' ') == std::string::npos) sent.push_back(file);
    }
    ExpectReceived(dir, "recv", sent);
}

TEST_F(AgainstLrzsz, SbBatchToOurReceiverKeepsLengthsTimesAndBlanks) {
    const std::vector<BatchFile> files = MakeBatch(dir, "send");
    mkdir((dir / "recv").c_str(), 0755);
    ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
    // sb flushes its input after every block, as rx does: the same retry.
    WithOneRetry(
        {"sh", "-c", "cd send && exec sb -q *"},
        [](PortStructure *port) { return YmodemReceiveWithOptions(port, Log, nullptr, 0); },
        static_cast<int>(files.size()));
    ExpectReceived(dir, "recv", files);
}

TEST_F(AgainstLrzsz, LargeRandomFileBothWays) {
    const std::string data = RandomBytes(2u << 20, 99);
    WriteFile(dir / "big.bin", data);
    mkdir((dir / "recv").c_str(), 0755);
    peer = std::make_unique<PeerProcess>(std::vector<std::string>{"sh", "-c", "cd recv && exec rb -q -y"}, dir.path());
    PortStructure *port = peer->OpenPort(kPeerPort);
    Finish(port, YmodemSendWithOptions(port, "big.bin", Log, nullptr, 0), 1);
    EXPECT_EQ(ReadFile(dir / "recv/big.bin"), data);

    ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
    std::remove("big.bin");
    peer = std::make_unique<PeerProcess>(std::vector<std::string>{"sb", "-q", "big.bin"}, dir.path());
    port = peer->OpenPort(kPeerPort);
    Finish(port, YmodemReceiveWithOptions(port, Log, nullptr, 0), 1);
    EXPECT_EQ(ReadFile(dir / "recv/big.bin"), data);
}

}  // namespace
}  // namespace portkit::test
