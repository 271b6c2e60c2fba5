// PWFileSend and PWFileReceive against real peers over a pty pair, one
// protocol number at a time: lrzsz for XMODEM, XMODEM-1K, YMODEM and ZMODEM,
// C-Kermit for Kermit, and plain programs reading and writing the line for
// ASCII.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "portkit/transfer.h"
#include "support/peer_test.h"

namespace portkit::test {
namespace {

struct PeerCase {
    const char *name;
    int protocol;
    std::string receiver;  // started in recv/, takes data.txt
    std::string sender;    // started in send/, gives data.txt
    int received_result;   // what our receiver answers on success
    bool padded;           // XMODEM: the copy is padded to a whole block
};

std::string Text() {
    std::string text;
    for (int line = 0; text.size() < 3000; ++line) text += "Line " + std::to_string(line) + " of plain text.\r\n";
    return text;
}

class GenericCallsAgainstPeers : public PeerTransferTest {
protected:
    // lrzsz flushes its queues on a pty now and then while a byte is in
    // flight: a failed attempt is run once more, as the other lrzsz tests do.
    template <typename Transfer>
    void WithOneRetry(const std::string &command, int expected, Transfer transfer) {
        for (int attempt = 0;; ++attempt) {
            transfer_log.clear();
            PortStructure *port = Start({"sh", "-c", command});
            const int result = transfer(port);
            const int peer_status = peer->Wait();
            PWPortClose(port);
            if ((result == expected && peer_status == 0) || attempt == 1) {
                EXPECT_EQ(result, expected) << peer->Log();
                EXPECT_EQ(peer_status, 0) << peer->Log();
                return;
            }
            std::printf("first attempt failed (%d), retrying:\n%s\n", result, peer->Log().c_str());
        }
    }

    void ExpectCopy(const std::string &path, const std::string &data, bool padded) {
        const std::string copy = ReadFile(path);
        if (padded) {
            ASSERT_GE(copy.size(), data.size());
            EXPECT_EQ(copy.substr(0, data.size()), data);
        } else {
            EXPECT_TRUE(copy == data) << copy.size() << " bytes of " << data.size();
        }
    }
};

TEST_F(GenericCallsAgainstPeers, EveryProtocolNumberBothWays) {
    const std::string data = Text();
    const std::string size = std::to_string(data.size());
    const std::string kermit = "kermit -Y -q -l /dev/stdin -i -P ";
    const std::vector<PeerCase> cases = {
        {"XMODEM", PORTKIT_XMODEM, "rx -q -c data.txt", "sx -q data.txt", 1, true},
        {"XMODEM-1K", PORTKIT_XMODEM_1K, "rx -q -c data.txt", "sx -q -k data.txt", 1, true},
        {"YMODEM", PORTKIT_YMODEM, "rb -q -y", "sb -q data.txt", 1, false},
        {"Kermit", PORTKIT_KERMIT, kermit + "-r", kermit + "-s data.txt", 1, false},
        {"ZMODEM", PORTKIT_ZMODEM, "rz -q -y", "sz -q data.txt", 1, false},
        // The line falls quiet once the text is out: that ends an ASCII receive.
        {"ASCII", PORTKIT_ASCII, "head -c " + size + " > data.txt", "sh -c 'cat data.txt; sleep 2'",
         PORTKIT_XFER_CHAR_TIMEOUT, false},
    };
    mkdir((dir / "send").c_str(), 0755);
    WriteFile(dir / "send/data.txt", data);
    // Well short of the ASCII sender's two quiet seconds, well above a loaded
    // machine's stalls.
    const int32_t timeout[] = {PORTKIT_XFER_ASCII_TIMEOUT, 1000, 0};
    for (const PeerCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::remove((dir / "recv/data.txt").c_str());
        WithOneRetry("cd recv && exec " + c.receiver, 1, [&](PortStructure *port) {
            return PWFileSend(port, c.protocol, "send/data.txt", 0, 0, PWSetFileTransferOptions(timeout + 2));
        });
        ExpectCopy(dir / "recv/data.txt", data, c.padded);

        std::remove((dir / "recv/data.txt").c_str());
        ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
        WithOneRetry("cd send && exec " + c.sender, c.received_result, [&](PortStructure *port) {
            return PWFileReceive(port, c.protocol, "data.txt", 0, PWSetFileTransferOptions(timeout));
        });
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        ExpectCopy(dir / "recv/data.txt", data, c.padded);
    }
}

}  // namespace
}  // namespace portkit::test
