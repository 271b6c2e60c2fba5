// The Kermit engines' rules on the wire, against a scripted peer: sequence
// numbers wrapping, NAKs, damaged and duplicated packets, what the Send-Init
// exchange switches on and off, attribute dates, errors from either side,
// and hostile lengths and names.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "support/kermit_peer.h"
#include "support/near_two_gigabytes.h"
#include "support/peer_process.h"
#include "support/time_zone.h"

namespace portkit::test {
namespace {

long LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return static_cast<long>(std::mktime(&tm));
}

std::string Field(char tag, const std::string &value) {
    return tag + std::string(1, static_cast<char>(value.size() + 32)) + value;
}

class KermitRules : public XmodemPeerTest {
protected:
    void Expect(const std::string &packet) { EXPECT_EQ(kermit.Read().Describe(), packet); }

    KermitPeer kermit{peer};

private:
    // Attribute dates are local time: a zone away from UTC catches a slip.
    ScopedTimeZone zone_{"America/New_York"};
};

int SendOut(PortStructure *port, int option = 0) {
    return KermitSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, option, 0);
}
int Receive(PortStructure *port, int option = 0) {
    return KermitReceiveWithOptions(port, TransferLog::Hook, nullptr, option, 0);
}

// An 8-byte acknowledgement offers no repeat prefix and no attributes, and
// its MAXL above 94 is held to 94. A NAK and a damaged ACK each bring the
// same packet again; sequence numbers run past 63 back to 0.
TEST_F(KermitRules, SenderWrapsSequenceAndRepeatsOnNakAndDamage) {
    const std::string data = "#\x7f\x81" + std::string(200, 'a') + RandomBytes(6000, 9);
    WriteFile("out.bin", data);
    Start([](PortStructure *port) { return SendOut(port); });
    Expect("S0 ~* @-#N1~(");
    kermit.Send(0, 'Y', "\x7f* @-#N1");
    Expect("F1 out.bin");
    kermit.Send(1, 'Y');
    std::string received;
    int sent = 2;
    KermitPacket packet = kermit.Read();
    for (; packet.type == 'D'; packet = kermit.Read(), ++sent) {
        ASSERT_TRUE(packet.ok && packet.seq == sent % 64) << packet.Describe() << " as packet " << sent;
        EXPECT_LE(packet.length, 94);
        if (sent == 7 || sent == 8) {
            kermit.Send(packet.seq, sent == 7 ? 'N' : 'Y', "", sent == 8);
            const KermitPacket again = kermit.Read();
            EXPECT_EQ(again.Describe(), packet.Describe());
        }
        received += KermitPeer::Decode(packet.data);
        kermit.Send(packet.seq, 'Y');
    }
    EXPECT_GT(sent, 64);
    EXPECT_EQ(packet.Describe(), "Z" + std::to_string(sent % 64));
    kermit.Send(packet.seq, 'Y');
    Expect("B" + std::to_string((sent + 1) % 64));
    kermit.Send((sent + 1) % 64, 'Y');
    EXPECT_EQ(Finish(), 1);
    EXPECT_TRUE(received == data) << received.size() << " bytes of " << data.size();
}

// With 8th-bit prefixing agreed (option 1002 against Y), repeat compression
// and attributes: every prefixed character and the run limits of the field.
TEST_F(KermitRules, SenderPrefixesCompressesAndSendsAttributes) {
    WriteFile("out.bin", "#\x7f\x81&~aabbb" + std::string(95, 'c') + "d");
    SetModificationTime("out.bin", LocalTime(2020, 7, 1, 12, 0, 5));
    Start([](PortStructure *port) { return SendOut(port, PORTKIT_XFER_KERMIT_EIGHTH_BIT); });
    Expect("S0 ~* @-#&1~(");
    kermit.Send(0, 'Y', "~* @-#Y1~(");
    Expect("F1 out.bin");
    kermit.Send(1, 'Y');
    Expect("A2 " + Field('#', "20200701 12:00:05") + Field('1', "0000000106"));
    kermit.Send(2, 'Y');
    Expect(
        "D3 ###?&#A#&#~aa~#b~~cc"
        "d");
    kermit.Send(3, 'Y');
    Expect("Z4");
    kermit.Send(4, 'Y');
    Expect("B5");
    kermit.Send(5, 'Y');
    EXPECT_EQ(Finish(), 1);
}

// Seven bits (1003) clear bit 8 of every byte; 1004 offers no repeat prefix.
TEST_F(KermitRules, SenderInSevenBitsWithoutRepeats) {
    WriteFile("out.bin", "\x81\xc1zzzz");
    Start([](PortStructure *port) {
        return KermitSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, PORTKIT_XFER_KERMIT_SEVEN_BIT,
                                     PORTKIT_XFER_KERMIT_NO_REPEAT, 0);
    });
    Expect("S0 ~* @-#N1 (");
    kermit.Send(0, 'Y', "~* @-#Y1~ ");
    Expect("F1 out.bin");
    kermit.Send(1, 'Y');
    Expect("D2 #AAzzzz");
    kermit.Send(2, 'Y');
    Expect("Z3");
    kermit.Send(3, 'Y');
    Expect("B4");
    kermit.Send(4, 'Y');
    EXPECT_EQ(Finish(), 1);
}

TEST_F(KermitRules, SenderWithNothingToSendEndsTheBatchAndReportsIt) {
    Start([](PortStructure *port) { return SendOut(port); });
    Expect("S0 ~* @-#N1~(");
    kermit.Send(0, 'Y', "~* @-#Y1~(");
    Expect("B1");
    kermit.Send(1, 'Y');
    EXPECT_EQ(kermit.Read().type, 'E');
    EXPECT_EQ(Finish(), PORTKIT_XFER_NO_FILES);
}

// Duplicates are acknowledged again, damaged packets (a bad check, a LEN
// beyond 94) answered with a NAK; a field may decode to far more than its
// packet; 6-digit dates take their century from the year; a long name with
// a path lands cut, in the receiving directory.
TEST_F(KermitRules, ReceiverTakesDuplicatesDamageAndHostileInput) {
    Start([](PortStructure *port) { return Receive(port); });
    kermit.Send(0, 'S', "~* @-#&1~(");
    Expect("Y0 ~* @-#&1~(");
    kermit.Send(1, 'F', "name.txt");
    Expect("Y1");
    kermit.Send(2, 'A', Field('#', "991231 23:59") + Field('1', "12") + ".\x7e" + "cut short");
    Expect("Y2");
    kermit.Send(3, 'D', "~#b##&#Ahello");
    Expect("Y3");
    kermit.Send(3, 'D', "~#b##&#Ahello");
    Expect("Y3");
    kermit.Send(4, 'D', "lost", true);
    Expect("N4");
    kermit.SendRaw("\x01\x7f$Dtoo long\r");
    Expect("N4");
    std::string groups;
    for (int i = 0; i < 30; ++i) groups += "~~a";
    kermit.Send(4, 'D', groups);
    Expect("Y4");
    kermit.Send(5, 'Z');
    Expect("Y5");
    kermit.Send(6, 'F', "../" + std::string(84, 'n') + ".txt");
    Expect("Y6");
    kermit.Send(7, 'A', Field('#', "000101"));
    Expect("Y7");
    kermit.Send(8, 'Z');
    Expect("Y8");
    kermit.Send(9, 'B');
    Expect("Y9");
    EXPECT_EQ(Finish(), 2) << TransferLog::Text();
    EXPECT_EQ(ReadFile("name.txt"), "bbb#\x81hello" + std::string(30 * 94, 'a'));
    EXPECT_EQ(ModificationTime("name.txt"), LocalTime(1999, 12, 31, 23, 59, 0));
    EXPECT_TRUE(TransferLog::Has("Attributes: length 12, time 946684740")) << "1999-12-31 23:59 counted in local time";
    const std::string cut(80, 'n');
    EXPECT_TRUE(std::filesystem::exists(cut));
    EXPECT_EQ(ModificationTime(cut), LocalTime(2000, 1, 1, 0, 0, 0));
}

// Past 2 GiB the count goes on in 64 bits and byte_total stops at its
// largest value; the file is written as ever.

TEST_F(KermitRules, ReceiverCountsPastTwoGigabytes) {
    Start([](PortStructure *port) {
        return KermitReceiveWithOptions(port, TransferLog::Hook, StartNearTwoGigabytes, 0);
    });
    kermit.Send(0, 'S', "~* @-#Y1~(");
    Expect("Y0 ~* @-#Y1~(");
    const std::pair<char, const char *> packets[] = {
        {'F', "big.txt"}, {'D', "0123456789"}, {'D', "0123456789"}, {'Z', ""}, {'B', ""}};
    for (int sequence = 1; sequence <= 5; ++sequence) {
        kermit.Send(sequence, packets[sequence - 1].first, packets[sequence - 1].second);
        Expect("Y" + std::to_string(sequence));
    }
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_EQ(ReadFile("big.txt"), "01234567890123456789");
    EXPECT_EQ(last_seen_record.byte_total, INT32_MAX);
    EXPECT_EQ(last_seen_record.byte_total_wide, kCountStart + 20);
}

// Option 1002 is the sender's; an 8-byte Send-Init leaves repeat compression
// off in our answer; a packet out of place or an E from the sender ends it.
TEST_F(KermitRules, ReceiverRefusesTheSendersOptionAndEndsOnErrors) {
    Start([](PortStructure *port) { return Receive(port, PORTKIT_XFER_KERMIT_EIGHTH_BIT); });
    EXPECT_EQ(Finish(), PORTKIT_INVALID_PARAMETER);
    EXPECT_TRUE(peer.Quiet(200));

    Start([](PortStructure *port) { return Receive(port); });
    kermit.Send(0, 'S', "~* @-#N1");
    Expect("Y0 ~* @-#Y1 (");
    kermit.Send(1, 'D', "x");
    EXPECT_EQ(kermit.Read().type, 'E');
    EXPECT_EQ(Finish(), PORTKIT_XFER_PROTOCOL_ERROR);

    Start([](PortStructure *port) { return Receive(port); });
    kermit.Send(0, 'S', "~* @-#N1~(");
    Expect("Y0 ~* @-#Y1~(");
    kermit.Send(1, 'F', "stopped.txt");
    Expect("Y1");
    kermit.Send(2, 'E', "stop");
    EXPECT_EQ(Finish(), PORTKIT_XFER_REMOTE_ABORT);
}

// The sender's TIME (here 1 s) sets how long the receiver waits for each
// packet; silence in a state is answered with N and the state goes on.
TEST_F(KermitRules, ReceiverTimesOutInEachStateWithTheSendersTime) {
    Start([](PortStructure *port) { return Receive(port); });
    kermit.Send(0, 'S', "~! @-#N1~(");
    Expect("Y0 ~* @-#Y1~(");
    EXPECT_EQ(kermit.Read(2500).type, 'N');
    EXPECT_TRUE(TransferLog::Has("Timeout waiting for B or F packet")) << TransferLog::Text();
    kermit.Send(1, 'F', "late.txt");
    Expect("Y1");
    EXPECT_EQ(kermit.Read(2500).type, 'N');
    EXPECT_TRUE(TransferLog::Has("Timeout waiting for Data packet")) << TransferLog::Text();
    kermit.Send(2, 'E', "gone");
    EXPECT_EQ(Finish(), PORTKIT_XFER_REMOTE_ABORT);
}

// TIME 0 asks for no particular time-out; it is not "wait for ever". The
// receiver keeps its own ten seconds and asks again when they pass.
TEST_F(KermitRules, ReceiverKeepsItsOwnTimeOutWhenTheSenderAsksForNone) {
    Start([](PortStructure *port) { return Receive(port); });
    kermit.Send(0, 'S', "~  @-#N1~(");
    EXPECT_EQ(kermit.Read().type, 'Y');
    EXPECT_EQ(kermit.Read(12000).type, 'N');
    kermit.Send(1, 'E', "gone");
    EXPECT_EQ(Finish(), PORTKIT_XFER_REMOTE_ABORT);
}

}  // namespace
}  // namespace portkit::test
