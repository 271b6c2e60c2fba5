// Long packets, sliding windows and the CRC block check (option 1032)
// against a scripted peer: what the Send-Init exchange agrees to, that a
// peer offering none of it gets the classic protocol packet for packet, a
// lost packet inside a window asked for and sent again, fields filled to
// the last byte for a peer that offered more than the basics, and the first
// Send-Init sent again when nobody answers it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/kermit_peer.h"
#include "support/peer_process.h"

namespace portkit::test {
namespace {

constexpr int kModern = PORTKIT_XFER_KERMIT_LONG_PACKETS_AND_WINDOWS;

class KermitWindows : public XmodemPeerTest {
protected:
    void Expect(const std::string &packet) { EXPECT_EQ(kermit.Read().Describe(), packet); }

    // Everything after the Send-Init of a send of out.bin that the peer
    // answers with the classic acknowledgement, each packet acknowledged.
    std::vector<std::string> ClassicSession(int option) {
        Start([option](PortStructure *port) {
            return KermitSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, option, 0);
        });
        std::vector<std::string> packets;
        const KermitPacket init = kermit.Read();
        EXPECT_EQ(init.type, 'S');
        kermit.Send(0, 'Y', "~* @-#Y1~(");
        for (KermitPacket packet = kermit.Read(); packet.type != 0; packet = kermit.Read()) {
            packets.push_back(packet.Describe());
            kermit.Send(packet.seq, 'Y');
            if (packet.type == 'B') break;
        }
        EXPECT_EQ(Finish(), 1);
        return packets;
    }

    KermitPeer kermit{peer};
};

TEST_F(KermitWindows, SenderOffersAllAndTalksClassicToAPeerOfferingNothing) {
    WriteFile("out.bin", RandomBytes(2000, 4) + std::string(300, '~'));
    Start([](PortStructure *port) { return KermitSendWithOptions(port, "out.bin", nullptr, nullptr, kModern, 0); });
    Expect("S0 ~* @-#N3~.?~~");  // CRC, long packets, window 31, MAXLX 9024
    kermit.Send(0, 'E', "not now");
    EXPECT_EQ(kermit.Read().type, 'E');
    EXPECT_EQ(Finish(), PORTKIT_XFER_REMOTE_ABORT);

    const std::vector<std::string> classic = ClassicSession(0);
    const std::vector<std::string> offered = ClassicSession(kModern);
    EXPECT_GT(classic.size(), 20u);
    EXPECT_EQ(offered, classic);
}

TEST_F(KermitWindows, ReceiverAnswersASenderOfferingNothingAsWithoutTheOption) {
    Start([](PortStructure *port) { return KermitReceiveWithOptions(port, TransferLog::Hook, nullptr, kModern, 0); });
    kermit.Send(0, 'S', "~* @-#N1~(");
    Expect("Y0 ~* @-#Y1~(");
    kermit.Send(1, 'F', "plain.txt");
    Expect("Y1");
    kermit.Send(2, 'D', "classic");
    Expect("Y2");
    kermit.Send(3, 'Z');
    Expect("Y3");
    kermit.Send(4, 'B');
    Expect("Y4");
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_EQ(ReadFile("plain.txt"), "classic");
}

// The peer takes a window of 4 and packets of up to 200 bytes, with the
// CRC: four data packets go out before any acknowledgement, then one for
// each acknowledgement of the oldest; a NAK brings just that packet again.
TEST_F(KermitWindows, SenderKeepsAWindowInFlightAndSendsALostPacketAgain) {
    const std::string data = RandomBytes(3000, 5);
    WriteFile("out.bin", data);
    Start([](PortStructure *port) {
        return KermitSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, kModern, 0);
    });
    Expect("S0 ~* @-#N3~.?~~");
    kermit.Send(0, 'Y', "~* @-#Y3~.$\"*");  // window 4, MAXLX 2 * 95 + 10
    kermit.set_crc(true);
    Expect("F1 out.bin");
    kermit.Send(1, 'Y');
    EXPECT_EQ(kermit.Read().type, 'A');
    kermit.Send(2, 'Y');

    std::vector<std::string> fields;
    const auto take = [&](int number) {
        const KermitPacket packet = kermit.Read();
        ASSERT_TRUE(packet.ok && packet.type == 'D' && packet.seq == number % 64)
            << packet.Describe() << " as packet " << number;
        EXPECT_GT(packet.data.size(), 91u) << "a long packet";
        EXPECT_LE(packet.length, 200);
        fields.resize(static_cast<std::size_t>(number - 2));
        fields.back() = packet.data;
    };
    for (int number = 3; number <= 6; ++number) take(number);
    EXPECT_TRUE(peer.Quiet(300)) << "the window is full";
    kermit.Send(3, 'Y');
    take(7);
    kermit.Send(4, 'N');
    Expect("D4 " + fields[1]);
    kermit.Send(5, 'Y');
    kermit.Send(6, 'Y');
    EXPECT_TRUE(peer.Quiet(300)) << "packet 4 still holds the window";
    kermit.Send(4, 'Y');
    kermit.Send(7, 'Y');
    int number = 8;
    KermitPacket packet = kermit.Read();
    for (; packet.type == 'D'; packet = kermit.Read(), ++number) {
        ASSERT_TRUE(packet.ok && packet.seq == number % 64) << packet.Describe() << " as packet " << number;
        fields.push_back(packet.data);
        kermit.Send(packet.seq, 'Y');
    }
    EXPECT_GT(number, 16);
    EXPECT_EQ(packet.Describe(), "Z" + std::to_string(number % 64));
    kermit.Send(packet.seq, 'Y');
    Expect("B" + std::to_string((number + 1) % 64));
    kermit.Send((number + 1) % 64, 'Y');
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    std::string received;
    for (const std::string &field : fields) received += KermitPeer::Decode(field, 0, '~');
    EXPECT_TRUE(received == data) << received.size() << " bytes of " << data.size();
}

// A peer offering long packets but taking no more than 94 bytes, with the
// one-byte checksum, as C-Kermit held to the classic settings answers:
// every field but the last is filled to within one run of its 91 bytes,
// bytes a link may act on are prefixed and other controls go bare, and the
// fields decode to the file, runs split across fields included.
TEST_F(KermitWindows, SenderFillsFieldsAndPrefixesOnlyRiskyControlsForAModernPeer) {
    std::string data;
    for (int c = 0; c < 256; ++c) data += std::string(c % 5 == 0 ? 2 : 1, static_cast<char>(c));
    for (int round = 0; round < 4; ++round) data += std::string(95, '\x11') + RandomBytes(700, round) + "\x07\x07";
    WriteFile("out.bin", data);
    Start([](PortStructure *port) {
        return KermitSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, kModern, 0);
    });
    EXPECT_EQ(kermit.Read().type, 'S');
    kermit.Send(0, 'Y', "~* @-#N1~*! ~");
    Expect("F1 out.bin");
    kermit.Send(1, 'Y');
    EXPECT_EQ(kermit.Read().type, 'A');
    kermit.Send(2, 'Y');
    std::vector<std::string> fields;
    KermitPacket packet = kermit.Read();
    for (; packet.type == 'D'; packet = kermit.Read()) {
        ASSERT_TRUE(packet.ok) << packet.Describe();
        fields.push_back(packet.data);
        kermit.Send(packet.seq, 'Y');
    }
    EXPECT_EQ(packet.type, 'Z');
    kermit.Send(packet.seq, 'Y');
    Expect("B" + std::to_string((packet.seq + 1) % 64));
    kermit.Send((packet.seq + 1) % 64, 'Y');
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();

    std::string received;
    std::string bare;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i + 1 < fields.size()) {
            EXPECT_GE(fields[i].size(), 87u) << "field " << i;
        }
        EXPECT_LE(fields[i].size(), 91u) << "field " << i;
        received += KermitPeer::Decode(fields[i], 0, '~');
        for (const char c : fields[i]) {
            if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) == 0xFF) bare += c;
        }
    }
    EXPECT_TRUE(received == data) << received.size() << " bytes of " << data.size();
    EXPECT_NE(bare.find('\x07'), std::string::npos) << "BEL goes bare";
    EXPECT_EQ(bare.find_first_of(std::string("\x00\x01\x03\x0a\x0d\x11\x13\xff", 8)), std::string::npos);
}

// Packet 3 is lost: 4 and 5 are held and acknowledged, 3 asked for once;
// when it comes the three are written in order. A repeat of one taken is
// acknowledged again. A damaged packet (a bad extended header, a bad CRC)
// brings a NAK for the one awaited, and so does the gap a later one shows.
TEST_F(KermitWindows, ReceiverHoldsPacketsPastALostOneAndAsksForIt) {
    Start([](PortStructure *port) { return KermitReceiveWithOptions(port, TransferLog::Hook, nullptr, kModern, 0); });
    kermit.Send(0, 'S', "~* @-#N3~.%~~");  // window 5
    Expect("Y0 ~* @-#Y3~.%~~");
    kermit.set_crc(true);
    kermit.Send(1, 'F', "win.txt");
    Expect("Y1");
    const std::string four(3000, 'a');
    kermit.Send(2, 'D', "two");
    Expect("Y2");
    kermit.Send(4, 'D', four);
    Expect("N3");
    Expect("Y4");
    kermit.Send(5, 'D', "five");
    Expect("Y5");
    kermit.Send(3, 'D', "three");
    Expect("Y3");
    Expect("Y4");
    Expect("Y5");
    kermit.Send(4, 'D', four);
    Expect("Y4");
    kermit.SendRaw("\x01 &D!!!xyz\r");  // HCHECK wrong
    Expect("N6");
    kermit.Send(6, 'D', "six", true);
    Expect("N6");
    kermit.Send(7, 'D', "seven");
    Expect("N6");
    Expect("Y7");
    kermit.Send(6, 'D', "six");
    Expect("Y6");
    Expect("Y7");
    kermit.Send(8, 'Z');
    Expect("Y8");
    kermit.Send(9, 'B');
    Expect("Y9");
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_EQ(ReadFile("win.txt"), "twothree" + four + "fivesixseven");
}

// G-Kermit's way: long packets and the CRC but no windows.
TEST_F(KermitWindows, ReceiverTakesLongPacketsWithoutWindows) {
    Start([](PortStructure *port) { return KermitReceiveWithOptions(port, TransferLog::Hook, nullptr, kModern, 0); });
    kermit.Send(0, 'S', "~* @-#N3~*");  // CAPAS: long packets and attributes; no WINDO or MAXLX
    Expect("Y0 ~* @-#Y3~*!~~");
    kermit.set_crc(true);
    kermit.Send(1, 'F', "long.txt");
    Expect("Y1");
    const std::string body(9000, 'b');
    kermit.Send(2, 'D', body);
    Expect("Y2");
    kermit.Send(3, 'Z');
    Expect("Y3");
    kermit.Send(4, 'B');
    Expect("Y4");
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_EQ(ReadFile("long.txt"), body);
}

// A peer still starting up misses the first Send-Init: it comes again
// within about a second, then the usual ten seconds hold.
TEST_F(KermitWindows, SenderSendsAnUnansweredSendInitAgainSoon) {
    WriteFile("out.bin", "x");
    Start([](PortStructure *port) { return KermitSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, 0); });
    Expect("S0 ~* @-#N1~(");
    EXPECT_EQ(kermit.Read(2500).Describe(), "S0 ~* @-#N1~(");
    EXPECT_TRUE(peer.Quiet(2500)) << "no third before the time-out";
    kermit.Send(0, 'Y', "\x7f* @-#N1");
    Expect("F1 out.bin");
    kermit.Send(1, 'Y');
    Expect("D2 x");
    kermit.Send(2, 'Y');
    Expect("Z3");
    kermit.Send(3, 'Y');
    Expect("B4");
    kermit.Send(4, 'Y');
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
}

}  // namespace
}  // namespace portkit::test
