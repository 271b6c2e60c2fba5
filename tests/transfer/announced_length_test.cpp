// A received file that ends shorter or longer than its sender announced is
// written by the protocol's rules, but never passes as a clean success: the
// message hook hears of the mismatch.
#include <gtest/gtest.h>

#include <string>

#include "support/kermit_peer.h"
#include "support/peer_process.h"
#include "support/zmodem_peer.h"

namespace portkit::test {
namespace {

std::string Mismatch(long received, long announced) {
    return PORTKIT_LENGTH_MISMATCH_LINE + std::to_string(received) + " bytes received, " + std::to_string(announced) +
           " announced";
}

class AnnouncedLength : public XmodemPeerTest {
protected:
    void ZmodemFile(const std::string &name, std::size_t announced, const std::string &data) {
        ASSERT_EQ(zmodem.ReadHeader().type, kZRINIT);
        zmodem.SendBinary(kZFILE);
        zmodem.SendData(name + '\0' + std::to_string(announced) + " 0 0", kZCRCW);
        ASSERT_EQ(zmodem.ReadHeader().Describe(), "ZRPOS 0");
        zmodem.SendFrame(data, 0);
        zmodem.SendBinary(kZEOF, At(static_cast<std::uint32_t>(data.size())));
    }
    void EndZmodemSession() {
        ASSERT_EQ(zmodem.ReadHeader().type, kZRINIT);
        zmodem.SendHex(kZFIN);
        ASSERT_EQ(zmodem.ReadHeader().type, kZFIN);
        zmodem.Send("OO");
    }

    ZmodemPeer zmodem{peer};
    KermitPeer kermit{peer};
};

TEST_F(AnnouncedLength, YmodemFileEndingEarlyIsReported) {
    const std::string data = RandomBytes(128, 1);
    Start([](PortStructure *port) { return YmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    SendYmodemFile(peer, "short.bin", "1000", data);
    EndYmodemBatch(peer);
    EXPECT_EQ(Finish(), 1);
    EXPECT_TRUE(TransferLog::Has(Mismatch(128, 1000))) << TransferLog::Text();
    EXPECT_EQ(ReadFile("short.bin"), data);
}

TEST_F(AnnouncedLength, YmodemBlockPastTheAnnouncedEndIsReported) {
    Start([](PortStructure *port) { return YmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    ASSERT_EQ(peer.Get(), 'C');
    peer.Send(MakeFrame(0, YmodemHeaderData("long.bin", "128")));
    ASSERT_EQ(peer.Get(), kAck);
    ASSERT_EQ(peer.Get(), 'C');
    peer.Send(MakeFrame(1, std::string(128, 'a')));
    ASSERT_EQ(peer.Get(), kAck);
    peer.Send(MakeFrame(2, std::string(128, 'b')));
    EXPECT_EQ(Finish(), PORTKIT_XFER_FILE_IO);
    EXPECT_TRUE(TransferLog::Has(Mismatch(256, 128))) << TransferLog::Text();
}

// ZEOF's offset decides the length: the file is written to it, and the
// difference from the ZFILE's length is reported.
TEST_F(AnnouncedLength, ZmodemEndOffsetOtherThanTheAnnouncedLengthIsReported) {
    const std::string shorter = RandomBytes(500, 2);
    const std::string longer = RandomBytes(20, 3);
    Start([](PortStructure *port) { return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    ZmodemFile("short.bin", 1000, shorter);
    ZmodemFile("long.bin", 10, longer);
    ZmodemFile("exact.bin", 5, "12345");
    EndZmodemSession();
    EXPECT_EQ(Finish(), 3);
    const std::string log = TransferLog::Text();
    EXPECT_TRUE(TransferLog::Has(Mismatch(500, 1000))) << log;
    EXPECT_TRUE(TransferLog::Has(Mismatch(20, 10))) << log;
    EXPECT_EQ(log.find(PORTKIT_LENGTH_MISMATCH_LINE "5 "), std::string::npos) << log;
    EXPECT_EQ(ReadFile("short.bin"), shorter);
    EXPECT_EQ(ReadFile("long.bin"), longer);
}

TEST_F(AnnouncedLength, KermitDataOtherThanTheAttributeLengthIsReported) {
    Start([](PortStructure *port) { return KermitReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    kermit.Send(0, 'S', "~* @-#N1~(");
    ASSERT_EQ(kermit.Read().type, 'Y');
    kermit.Send(1, 'F', "long.bin");
    ASSERT_EQ(kermit.Read().type, 'Y');
    kermit.Send(2, 'A', std::string("1") + static_cast<char>(32 + 2) + "10");
    ASSERT_EQ(kermit.Read().type, 'Y');
    const std::string chunk(80, 'k');
    for (int seq = 3; seq < 8; ++seq) {
        kermit.Send(seq, 'D', chunk);
        ASSERT_EQ(kermit.Read().type, 'Y');
    }
    kermit.Send(8, 'Z');
    ASSERT_EQ(kermit.Read().type, 'Y');
    kermit.Send(9, 'B');
    ASSERT_EQ(kermit.Read().type, 'Y');
    EXPECT_EQ(Finish(), 1);
    EXPECT_TRUE(TransferLog::Has(Mismatch(400, 10))) << TransferLog::Text();
    EXPECT_EQ(ReadFile("long.bin").size(), 400u);
}

}  // namespace
}  // namespace portkit::test
