// Kermit against C-Kermit and G-Kermit over a pty pair, both directions:
// every byte value, text, runs at the repeat limits, several files in one
// batch (empty to over 1 MB) with their dates carried, and 8th-bit prefixing
// for a 7-bit peer; classic and with long packets and windows (1032), each
// against peers that offer them and peers that do not.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "portkit/serial.h"
#include "portkit/transfer.h"
#include "support/batch_files.h"
#include "support/peer_process.h"
#include "support/peer_test.h"

namespace portkit::test {
namespace {

// Runs of 2, 3, 94, 95 and 200 of bytes that are prefixes (# ~ &), controls, 8-bit
// or plain, so that each run length meets each way of encoding a byte.
std::string Runs() {
    std::string data;
    for (const int c : {0x23, 0x7E, 0x26, 0x00, 0x0D, 0x7F, 0x81, 0xFF, 0x61}) {
        for (const int length : {2, 3, 94, 95, 200}) {
            data.append(static_cast<std::size_t>(length), static_cast<char>(c));
            data += 'x';
        }
    }
    return data;
}

std::string EveryByte() {
    std::string data;
    for (int round = 0; round < 3; ++round) {
        for (int c = 0; c < 256; ++c) data += static_cast<char>(round == 1 ? 255 - c : c);
    }
    return data + RandomBytes(5000, 3);
}

std::string Text() {
    std::string text;
    for (int line = 0; line < 200; ++line) text += "Line " + std::to_string(line) + " of a text file, #~& and all.\n";
    return text;
}

// Writes the batch into `subdirectory` with dates on both sides of summer time.
std::vector<BatchFile> MakeKermitBatch(const TempDirectory &dir, const std::string &subdirectory) {
    const std::vector<BatchFile> files = {
        {"every.bin", EveryByte(), 1593619200},
        {"text.txt", Text(), 1578000000},
        {"runs.bin", Runs(), 1600000000},
        {"empty.bin", "", 1500000000},
        {"large.bin", RandomBytes(1200000, 8), 1600100000},
    };
    mkdir((dir / subdirectory).c_str(), 0755);
    for (const BatchFile &file : files) {
        WriteFile(dir / (subdirectory + "/" + file.name), file.data);
        SetModificationTime(dir / (subdirectory + "/" + file.name), file.time);
    }
    return files;
}

// Contents compared whole but reported short; G-Kermit carries no dates.
void ExpectArrived(const TempDirectory &dir, const std::vector<BatchFile> &files, bool dates) {
    for (const BatchFile &file : files) {
        const std::string path = dir / ("recv/" + file.name);
        const std::string data = ReadFile(path);
        EXPECT_TRUE(data == file.data) << file.name << ": " << data.size() << " bytes of " << file.data.size();
        if (dates) {
            EXPECT_EQ(ModificationTime(path), file.time) << file.name;
        }
    }
}

std::string Names(const std::vector<BatchFile> &files, const std::string &prefix) {
    std::string names;
    for (const BatchFile &file : files) names += prefix + file.name + " ";
    return names;
}

// C-Kermit takes standard input as its line only when told so (-l); without
// a controlling terminal it would wait for one.
class KermitAgainstPeers : public PeerTransferTest {
protected:
    PortStructure *Start(const std::string &command) { return PeerTransferTest::Start({"sh", "-c", command}); }

    // Our sender to `receiver` started in recv/, then the other way round
    // with `sender` started in send/.
    void BothWays(const std::string &receiver, const std::string &sender, bool dates, int send_option = 0,
                  int receive_option = 0, int another_send_option = 0) {
        const std::vector<BatchFile> files = MakeKermitBatch(dir, "send");
        const int count = static_cast<int>(files.size());
        PortStructure *port = Start("cd recv && exec " + receiver);
        Finish(port,
               KermitSendWithOptions(port, Names(files, "send/").c_str(), Log, nullptr, send_option,
                                     another_send_option, 0),
               count);
        ExpectArrived(dir, files, dates);

        std::filesystem::remove_all(dir / "recv");
        mkdir((dir / "recv").c_str(), 0755);
        transfer_log.clear();
        port = Start("cd send && exec " + sender + " " + Names(files, ""));
        ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
        Finish(port, KermitReceiveWithOptions(port, Log, nullptr, receive_option, 0), count);
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        ExpectArrived(dir, files, dates);
        if (dates) {
            const std::string length = "length " + std::to_string(files[0].data.size()) + ",";
            EXPECT_NE(transfer_log.find(length), std::string::npos) << transfer_log;
        }
    }
};

TEST_F(KermitAgainstPeers, CKermitBothWays) {
    BothWays("kermit -Y -q -l /dev/stdin -i -P -r", "kermit -Y -q -l /dev/stdin -i -P -s", true);
}

TEST_F(KermitAgainstPeers, GKermitBothWays) { BothWays("gkermit -q -i -P -r", "gkermit -q -i -P -s", false); }

constexpr int kModern = PORTKIT_XFER_KERMIT_LONG_PACKETS_AND_WINDOWS;

// C-Kermit's own defaults offer long packets, windows and the CRC.
TEST_F(KermitAgainstPeers, CKermitBothWaysWithLongPacketsAndWindows) {
    BothWays("kermit -Y -q -l /dev/stdin -i -P -r", "kermit -Y -q -l /dev/stdin -i -P -s", true, kModern, kModern);
    EXPECT_NE(transfer_log.find("Agreed: window "), std::string::npos) << transfer_log;
    EXPECT_EQ(transfer_log.find("window 1,"), std::string::npos) << transfer_log;
}

// Told to stay at the classic settings, C-Kermit offers none of it.
TEST_F(KermitAgainstPeers, ClassicCKermitAgainstLongPacketsAndWindows) {
    WriteFile(dir / "classic.ksc",
              "set streaming off\nset window 1\nset block-check 1\nset receive packet-length 94\n"
              "set send packet-length 94\n");
    const std::string kermit = "kermit -y " + (dir / "classic.ksc") + " -q -l /dev/stdin -i -P ";
    BothWays(kermit + "-r", kermit + "-s", true, kModern, kModern);
}

// G-Kermit has long packets and the CRC but no windows.
TEST_F(KermitAgainstPeers, GKermitBothWaysWithLongPackets) {
    BothWays("gkermit -q -i -P -r", "gkermit -q -i -P -s", false, kModern, kModern);
}

// Space parity makes C-Kermit a 7-bit peer: 8-bit bytes only get through
// prefixed, which our sender offers with option 1002 and our receiver takes.
TEST_F(KermitAgainstPeers, EighthBitPrefixingWithSevenBitCKermit) {
    BothWays("kermit -Y -q -l /dev/stdin -i -P -p space -r", "kermit -Y -q -l /dev/stdin -i -P -p space -s", true,
             PORTKIT_XFER_KERMIT_EIGHTH_BIT);
}

// The same with long packets and windows, where our sender prefixes only
// the control bytes a link may act on: with bit 8 set, they are prefixed
// twice.
TEST_F(KermitAgainstPeers, EighthBitPrefixingWithLongPacketsAndWindows) {
    BothWays("kermit -Y -q -l /dev/stdin -i -P -p space -r", "kermit -Y -q -l /dev/stdin -i -P -p space -s", true,
             PORTKIT_XFER_KERMIT_EIGHTH_BIT, kModern, kModern);
    EXPECT_NE(transfer_log.find("Agreed: window "), std::string::npos) << transfer_log;
}

// Without -P, C-Kermit sends names in upper case ("common form"); they
// arrive in lower case, as any Kermit on this system writes them.
TEST_F(KermitAgainstPeers, CKermitCommonFormNamesArriveInLowerCase) {
    mkdir((dir / "send").c_str(), 0755);
    WriteFile(dir / "send/f94.bin", "ninety-four");
    WriteFile(dir / "send/other.txt", "more");
    PortStructure *port = Start("cd send && exec kermit -Y -q -l /dev/stdin -i -s f94.bin other.txt");
    ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
    Finish(port, KermitReceiveWithOptions(port, Log, nullptr, 0), 2);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    EXPECT_EQ(ReadFile(dir / "recv/f94.bin"), "ninety-four") << transfer_log;
    EXPECT_EQ(ReadFile(dir / "recv/other.txt"), "more");
    EXPECT_FALSE(std::filesystem::exists(dir / "recv/F94.BIN"));
}

}  // namespace
}  // namespace portkit::test
