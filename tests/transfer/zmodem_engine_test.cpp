// The ZMODEM engines' rules on the wire, where lrzsz would not show them:
// our sender against a scripted receiver that offers various buffers and
// duplexes and moves it around with ZRPOS, and our receiver against a
// scripted sender that misplaces, damages and cancels frames, names files
// with hostile paths and meets files already here.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/peer_process.h"
#include "support/time_zone.h"
#include "support/zmodem_peer.h"

namespace portkit::test {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

constexpr int kEverything = kCANFDX | kCANOVIO | kCANFC32;
// A time whose octal digits are 6543210.
constexpr long kOctal6543210 = 1754760;

std::string Octal(long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%lo", value);
    return text;
}

// ZFILE data: name, NUL, length, octal time, mode.
std::string FileInformation(const std::string &name, std::size_t length, long time) {
    return name + '\0' + std::to_string(length) + " " + Octal(time) + " 0";
}

class ZmodemPeerTest : public XmodemPeerTest {
protected:
    // ---- Our sender's side of the talk ----

    // Answers the ZRQINIT with a ZRINIT offering `buffer_length` and `flags`;
    // the first ZFILE follows.
    Header OpenSender(int buffer_length, int flags, std::string *information) {
        const Header request = zmodem.ReadHeader();
        EXPECT_EQ(request.Describe(), "ZRQINIT 0");
        EXPECT_EQ(request.format, 'B');
        zmodem.SendHex(kZRINIT, ReceiverInit(buffer_length, flags));
        return ReadZfile(information);
    }

    Header ReadZfile(std::string *information) {
        const Header zfile = zmodem.ReadHeader();
        EXPECT_TRUE(zfile.type == kZFILE && zfile.ok) << zfile.Describe();
        const Subpacket data = zmodem.ReadSubpacket();
        EXPECT_EQ(data.Describe(), std::to_string(data.data.size()) + "k");
        *information = data.data;
        return zfile;
    }

    void CloseSender() {
        EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZFIN 0");
        zmodem.SendHex(kZFIN);
        EXPECT_EQ(peer.GetBytes(2), "OO");
    }

    // ---- Our receiver's side ----

    // The ZRINIT every pass for a file name gives: any buffer length, full
    // duplex, overlapped I/O, break, CRC-32.
    void ExpectOffer() {
        const Header offer = zmodem.ReadHeader();
        EXPECT_TRUE(offer.type == kZRINIT && offer.ok && offer.format == 'B') << offer.Describe();
        EXPECT_EQ(offer.data, (HeaderData{0, 0, 0, 0x27}));
    }

    // After the offer, a ZFILE with `information`; the answer.
    Header OfferFile(const std::string &information, HeaderData flags = {}) {
        ExpectOffer();
        zmodem.SendBinary(kZFILE, flags);
        zmodem.SendData(information, kZCRCW);
        return zmodem.ReadHeader();
    }

    void SendRest(const std::string &data, std::size_t from) {
        zmodem.SendFrame(data.substr(from), static_cast<std::uint32_t>(from));
        zmodem.SendBinary(kZEOF, At(static_cast<std::uint32_t>(data.size())));
    }

    void EndSession() {
        ExpectOffer();
        zmodem.SendHex(kZFIN);
        EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZFIN 0");
        zmodem.Send("OO");
    }

    ZmodemPeer zmodem{peer};

private:
    // Times cross the wire in UTC: a zone away from UTC catches any slip.
    ScopedTimeZone zone_{"America/New_York"};
};

using ZmodemSender = ZmodemPeerTest;
using ZmodemReceiver = ZmodemPeerTest;
using ZmodemOptions = ZmodemPeerTest;

int SendOut(PortStructure *port, int option) {
    return ZmodemSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, option, 0);
}

// ---- Sending ----

TEST_F(ZmodemSender, FramesFollowTheReceiversBufferAndDuplex) {
    const std::string data = RandomBytes(5000, 1);
    WriteFile("out.bin", data);
    struct Case {
        const char *what;
        int buffer_length;
        int flags;
        int option;
        std::string outline;
    };
    const std::string streamed_q = "ZDATA 0: 1024j 1024j 1024j 1024j 904k\nZEOF 5000\n";
    const std::string streamed_g = "ZDATA 0: 1024i 1024i 1024i 1024i 904k\nZEOF 5000\n";
    const Case cases[] = {
        {"2048-byte buffer", 2048, kEverything, PORTKIT_XFER_NO_OPTION,
         "ZDATA 0: 1024j 1024k\nZDATA 2048: 1024j 1024k\nZDATA 4096: 904k\nZEOF 5000\n"},
        {"full duplex", 0, kEverything, PORTKIT_XFER_NO_OPTION, streamed_q},
        {"half duplex asked for", 0, kEverything, PORTKIT_XFER_ZMODEM_HALF_DUPLEX, streamed_g},
        {"no CANFDX", 0, kCANOVIO, PORTKIT_XFER_NO_OPTION, streamed_g},
        {"no CANOVIO", 0, kCANFDX, PORTKIT_XFER_NO_OPTION,
         "ZDATA 0: 1024k\nZDATA 1024: 1024k\nZDATA 2048: 1024k\nZDATA 3072: 1024k\nZDATA 4096: 904k\nZEOF 5000\n"},
        // A stream ends the file with a ZCRCE and goes straight on to ZEOF.
        {"streaming asked for", 0, kEverything, PORTKIT_XFER_ZMODEM_STREAM,
         "ZDATA 0: 1024i 1024i 1024i 1024i 904h\nZEOF 5000\n"},
        {"streaming asked for, 2048-byte buffer", 2048, kEverything, PORTKIT_XFER_ZMODEM_STREAM,
         "ZDATA 0: 1024i 1024k\nZDATA 2048: 1024i 1024k\nZDATA 4096: 904h\nZEOF 5000\n"},
        {"streaming asked for, no CANOVIO", 0, kCANFDX, PORTKIT_XFER_ZMODEM_STREAM,
         "ZDATA 0: 1024k\nZDATA 1024: 1024k\nZDATA 2048: 1024k\nZDATA 3072: 1024k\nZDATA 4096: 904k\nZEOF 5000\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Start([option = c.option](PortStructure *port) { return SendOut(port, option); });
        std::string information;
        EXPECT_EQ(OpenSender(c.buffer_length, c.flags, &information).format, (c.flags & kCANFC32) != 0 ? 'C' : 'A');
        zmodem.SendHex(kZRPOS, At(0));
        std::string received;
        EXPECT_EQ(zmodem.ReceiveFrames(received), c.outline);
        EXPECT_TRUE(received == data);
        zmodem.SendHex(kZRINIT, ReceiverInit(c.buffer_length, c.flags));
        CloseSender();
        EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    }
}

// A larger window asks for a ZACK every quarter of it, not every subpacket,
// and the frame still ends without waiting for a ZACK no ZCRCQ asked for.
TEST_F(ZmodemSender, WindowAsksForAZackEveryQuarterOfIt) {
    const std::string data = RandomBytes(10000, 4);
    WriteFile("out.bin", data);
    struct Case {
        int window;
        std::string outline;
    };
    const Case cases[] = {
        {16384, "ZDATA 0: 1024i 1024i 1024i 1024j 1024i 1024i 1024i 1024j 1024i 784k\nZEOF 10000\n"},
        {6000, "ZDATA 0: 1024i 1024j 1024i 1024j 1024i 1024j 1024i 1024j 1024i 784k\nZEOF 10000\n"},
        {1000, "ZDATA 0: 1024j 1024j 1024j 1024j 1024j 1024j 1024j 1024j 1024j 784k\nZEOF 10000\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.window);
        Start([window = c.window](PortStructure *port) {
            return ZmodemSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, PORTKIT_XFER_ZMODEM_WINDOW,
                                         window, 0);
        });
        std::string information;
        OpenSender(0, kEverything, &information);
        zmodem.SendHex(kZRPOS, At(0));
        std::string received;
        EXPECT_EQ(zmodem.ReceiveFrames(received), c.outline);
        EXPECT_TRUE(received == data);
        zmodem.SendHex(kZRINIT, ReceiverInit(0, kEverything));
        CloseSender();
        EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    }
}

// A ZACK that answers a ZCRCQ inside the frame is not the one for the ZCRCW
// at the receiver's buffer end: the sender waits for that before going on.
TEST_F(ZmodemSender, WaitsForTheZackOfTheZcrcwThatFillsTheBuffer) {
    const std::string data = RandomBytes(5000, 2);
    WriteFile("out.bin", data);
    Start([](PortStructure *port) { return SendOut(port, PORTKIT_XFER_NO_OPTION); });
    std::string information;
    OpenSender(2048, kEverything, &information);
    zmodem.SendHex(kZRPOS, At(0));
    EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZDATA 0");
    EXPECT_EQ(zmodem.ReadSubpacket().Describe(), "1024j");
    zmodem.SendHex(kZACK, At(1024));
    EXPECT_EQ(zmodem.ReadSubpacket().Describe(), "1024k");
    EXPECT_TRUE(peer.Quiet(300)) << "the next frame went before the buffer was acknowledged";
    zmodem.SendHex(kZACK, At(2048));
    std::string received = data.substr(0, 2048);
    EXPECT_EQ(zmodem.ReceiveFrames(received), "ZDATA 2048: 1024j 1024k\nZDATA 4096: 904k\nZEOF 5000\n");
    EXPECT_TRUE(received == data);
    zmodem.SendHex(kZRINIT, ReceiverInit(2048, kEverything));
    CloseSender();
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
}

TEST_F(ZmodemSender, ZrposMidFileRestartsThereAfterAnEmptyZcrcwAndItsZack) {
    const std::string data = RandomBytes(10000, 3);
    WriteFile("out.bin", data);
    Start([](PortStructure *port) { return SendOut(port, PORTKIT_XFER_NO_OPTION); });
    std::string information;
    OpenSender(0, kEverything, &information);
    zmodem.SendHex(kZRPOS, At(0));
    EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZDATA 0");
    EXPECT_EQ(zmodem.ReadSubpacket().Describe(), "1024j");
    zmodem.SendHex(kZRPOS, At(700));
    // What was already on its way is passed over.
    EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZDATA 700");
    EXPECT_EQ(zmodem.ReadSubpacket().Describe(), "0k");
    EXPECT_TRUE(peer.Quiet(300)) << "data before the ZACK";
    zmodem.SendHex(kZACK, At(700));
    std::string received = data.substr(0, 700);
    std::string outline = "ZDATA 700:";
    for (int i = 0; i < 9; ++i) outline += " 1024j";
    EXPECT_EQ(zmodem.ReceiveFrames(received), outline + " 84k\nZEOF 10000\n");
    EXPECT_TRUE(received == data);
    zmodem.SendHex(kZRINIT, ReceiverInit(0, kEverything));
    CloseSender();
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
}

TEST_F(ZmodemSender, EmptyFileIsJustZeofAndSkippedFilesDoNotCount) {
    WriteFile("empty.bin", "");
    WriteFile("b.bin", "bbb");
    auto send_both = [](PortStructure *port) {
        return ZmodemSendWithOptions(port, "empty.bin b.bin", TransferLog::Hook, nullptr, 0);
    };
    Start(send_both);
    std::string information;
    OpenSender(0, kEverything, &information);
    EXPECT_EQ(information.substr(0, 12),
              "empty.bin\0"
              "0 "s);
    zmodem.SendHex(kZRPOS, At(0));
    EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZEOF 0");
    zmodem.SendHex(kZRINIT, ReceiverInit(0, kEverything));
    ReadZfile(&information);
    EXPECT_EQ(information.substr(0, 8),
              "b.bin\0"
              "3 "s);
    zmodem.SendHex(kZSKIP);
    CloseSender();
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();

    // Every file skipped: nothing was sent.
    Start(send_both);
    OpenSender(0, kEverything, &information);
    zmodem.SendHex(kZSKIP);
    ReadZfile(&information);
    zmodem.SendHex(kZSKIP);
    CloseSender();
    EXPECT_EQ(Finish(), PORTKIT_XFER_NO_FILES) << TransferLog::Text();
}

TEST_F(ZmodemSender, ZfileCarriesResumeAndManagementFlagsWithNameLengthAndUtcTime) {
    fs::create_directory("sub");
    WriteFile("sub/report.txt", RandomBytes(1234, 4));
    SetModificationTime("sub/report.txt", kOctal6543210);
    const std::string mode = CarriedModeOf("sub/report.txt", 0640);
    struct Case {
        int option;
        int zf0, zf1;
    };
    const Case cases[] = {
        {PORTKIT_XFER_NO_OPTION, 0, 0},
        {PORTKIT_XFER_ZMODEM_RESUME, 3, 0},
        {PORTKIT_XFER_ZMODEM_NEWER_OR_LONGER, 0, 1},
        {PORTKIT_XFER_ZMODEM_APPEND, 0, 3},
        {PORTKIT_XFER_ZMODEM_REPLACE, 0, 4},
        {PORTKIT_XFER_ZMODEM_NEWER, 0, 5},
        {PORTKIT_XFER_ZMODEM_DIFFERENT, 0, 6},
        {PORTKIT_XFER_ZMODEM_PROTECT, 0, 7},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.option);
        Start([option = c.option](PortStructure *port) {
            return ZmodemSendWithOptions(port, "sub/report.txt", TransferLog::Hook, nullptr, option, 0);
        });
        std::string information;
        const Header zfile = OpenSender(0, kEverything, &information);
        EXPECT_EQ(zfile.data, Zf(c.zf0, c.zf1));
        EXPECT_EQ(information,
                  "report.txt\0"
                  "1234 6543210 "s +
                      mode + '\0');
        zmodem.SendHex(kZSKIP);
        CloseSender();
        EXPECT_EQ(Finish(), PORTKIT_XFER_NO_FILES) << TransferLog::Text();
    }
}

// ---- Receiving ----

// Damaged subpacket: the CRC-32 left at zero.
std::string WithBadCrc(const std::string &data, char terminator) {
    return ZmodemPeer::Escaped(data) + static_cast<char>(kZDLE) + terminator + std::string(4, '\0');
}

TEST_F(ZmodemReceiver, RecoversByPositionAndAnswersEachHeader) {
    const std::string data = RandomBytes(3000, 5);
    PortStructure *our_port = nullptr;
    // Two errors in a row end the transfer, so none of the first may count.
    Start([&our_port](PortStructure *port) {
        our_port = port;
        return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, PORTKIT_XFER_ZMODEM_RETRY_LIMIT, 2, 0);
    });
    ExpectOffer();
    zmodem.SendBinary(kZSINIT, Zf(0x40));
    zmodem.SendData("\0"s, kZCRCW);
    EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZACK 0");
    EXPECT_EQ(OfferFile(FileInformation("in.bin", 3000, kOctal6543210)).Describe(), "ZRPOS 0");

    // A frame at a position other than ours is answered with ours, and is no error.
    for (int i = 0; i < 3; ++i) {
        zmodem.Send(ZmodemPeer::BinaryHeader(kZDATA, At(700), true) +
                    ZmodemPeer::DataSubpacket(std::string(100, 'w'), kZCRCE, true));
        EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZRPOS 0");
    }
    // A damaged subpacket brings ZRPOS at the end of the last good one.
    zmodem.Send(
        ZmodemPeer::BinaryHeader(kZDATA, At(0), true) + ZmodemPeer::DataSubpacket(data.substr(0, 1024), kZCRCG, true) +
        WithBadCrc(data.substr(1024, 1024), kZCRCG) + ZmodemPeer::DataSubpacket(data.substr(2048), kZCRCE, true));
    EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZRPOS 1024");
    // ZCRCQ and ZCRCW are acknowledged at our count.
    zmodem.Send(ZmodemPeer::BinaryHeader(kZDATA, At(1024), true) +
                ZmodemPeer::DataSubpacket(data.substr(1024, 1024), kZCRCQ, true) +
                ZmodemPeer::DataSubpacket(data.substr(2048), kZCRCW, true));
    EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZACK 2048");
    EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZACK 3000");
    // A ZEOF short of our count after a good frame is passed over.
    zmodem.SendBinary(kZEOF, At(2000));
    EXPECT_TRUE(peer.Quiet(300));
    zmodem.SendBinary(kZEOF, At(3000));

    ExpectOffer();
    zmodem.SendHex(kZFIN);
    EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZFIN 0");
    zmodem.Send("OOx");
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_TRUE(ReadFile("in.bin") == data) << "in.bin";
    EXPECT_EQ(ModificationTime("in.bin"), kOctal6543210);
    // The two 'O's are taken, nothing after them.
    EXPECT_EQ(PWSpaceUsedInRXBuffer(our_port), 1);
}

TEST_F(ZmodemReceiver, FiveCansInsideDataEndTheSessionWithoutACancelBack) {
    const std::string data = RandomBytes(2000, 6);
    Start([](PortStructure *port) { return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    EXPECT_EQ(OfferFile(FileInformation("cut.bin", 2000, kOctal6543210)).Describe(), "ZRPOS 0");
    zmodem.Send(ZmodemPeer::BinaryHeader(kZDATA, At(0), true) +
                ZmodemPeer::DataSubpacket(data.substr(0, 1024), kZCRCG, true) +
                ZmodemPeer::Escaped(data.substr(1024, 10)) + std::string(5, static_cast<char>(kCan)));
    EXPECT_EQ(Finish(), PORTKIT_XFER_REMOTE_ABORT) << TransferLog::Text();
    EXPECT_TRUE(peer.Quiet(100));
    EXPECT_TRUE(ReadFile("cut.bin") == data.substr(0, 1024));
}

// lrzsz's sz flushes its line as it exits, and its "OO" is often lost: on a
// fast line the receiver gives it a few round trips, not seconds.
TEST_F(ZmodemReceiver, AnOverAndOutThatNeverComesIsNotAwaitedLong) {
    Start([](PortStructure *port) { return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    EXPECT_EQ(OfferFile(FileInformation("short.bin", 5, kOctal6543210)).Describe(), "ZRPOS 0");
    SendRest("hello", 0);
    ExpectOffer();
    zmodem.SendHex(kZFIN);
    EXPECT_EQ(zmodem.ReadHeader().Describe(), "ZFIN 0");
    const int32_t answered = ElapsedTime();
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_LT(ElapsedTime() - answered, 1900) << "not the full 2 s";
    EXPECT_EQ(ReadFile("short.bin"), "hello");
}

TEST_F(ZmodemReceiver, HostileNamesStayInTheReceiveDirectory) {
    const fs::path inbox = root() / "a" / "b" / "in";
    fs::create_directories(inbox);
    fs::current_path(inbox);
    // With its NUL and length it fills the largest subpacket.
    const std::string long_name(1022, 'n');
    struct Case {
        std::string sent, stripped, kept;
    };
    const Case cases[] = {
        {"../../etc/x", "x", "etc/x"},
        {"/abs/path", "path", "abs/path"},
        {"a\\b", "b", "a/b"},
        {long_name, long_name.substr(0, 255), long_name.substr(0, 255)},
    };
    std::vector<std::string> expected;
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "keeping paths" : "stripping paths");
        Start([keep](PortStructure *port) {
            return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr,
                                            keep ? PORTKIT_XFER_KEEP_PATHS : PORTKIT_XFER_NO_OPTION, 0);
        });
        for (const Case &c : cases) {
            EXPECT_EQ(OfferFile(c.sent + '\0' + "5").Describe(), "ZRPOS 0") << c.sent;
            SendRest(c.sent.substr(0, 5), 0);
            expected.push_back(keep ? c.kept : c.stripped);
        }
        if (keep) {
            EndSession();
            EXPECT_EQ(Finish(), 4) << TransferLog::Text();
            continue;
        }
        // A control character: refused, and the session ends.
        ExpectOffer();
        zmodem.SendBinary(kZFILE);
        zmodem.SendData(
            "bad\x01name\0"
            "5"s,
            kZCRCW);
        EXPECT_TRUE(peer.ReadCancel());
        EXPECT_EQ(Finish(), PORTKIT_XFER_OPEN_FAILED) << TransferLog::Text();
    }
    std::vector<std::string> found;
    for (const auto &entry : fs::recursive_directory_iterator(root())) {
        if (entry.is_regular_file()) found.push_back(fs::relative(entry.path(), inbox).string());
    }
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    EXPECT_EQ(found, expected);
}

TEST_F(ZmodemReceiver, LengthOrTimeThatDoesNotParseIsUnknown) {
    const std::vector<std::string> informations = {
        "bare.bin",           // no NUL, nothing after the name
        "empty.bin\0"s,       // nothing after the NUL
        "letters.bin\0abc"s,  // no number
        "time.bin\0"
        "5 xyz 0"s,  // a length, no time
        "huge.bin\0"
        "99999999999999999999"s,  // beyond any length
    };
    Start([](PortStructure *port) { return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    for (const std::string &information : informations) {
        EXPECT_EQ(OfferFile(information).Describe(), "ZRPOS 0") << information;
        SendRest("hello", 0);
    }
    EndSession();
    EXPECT_EQ(Finish(), 5) << TransferLog::Text();
    for (const std::string &information : informations) {
        const std::string name = information.c_str();
        EXPECT_EQ(ReadFile(name), "hello") << name;
        // No time was taken from the wire, so the file keeps the time it was written.
        EXPECT_LT(std::abs(ModificationTime(name) - static_cast<long>(std::time(nullptr))), 60) << name;
    }
}

TEST_F(ZmodemReceiver, ExistingFilesAreResumedSkippedProtectedOrAppendedTo) {
    const std::string data = RandomBytes(3000, 7);
    constexpr long kThen = 1600000000;
    WriteFile("short.bin", data.substr(0, 1000));
    WriteFile("whole.bin", data);
    SetModificationTime("whole.bin", kThen);
    WriteFile("kept.bin", "keep me");
    WriteFile("dated.bin", "local copy");
    SetModificationTime("dated.bin", kThen);
    WriteFile("log.txt", "first part,");
    Start([](PortStructure *port) { return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });

    // Resume (ZF0 3): a shorter copy is asked for from its end; a whole one
    // is skipped and only takes the incoming time.
    EXPECT_EQ(OfferFile(FileInformation("short.bin", 3000, kThen), Zf(3)).Describe(), "ZRPOS 1000");
    SendRest(data, 1000);
    EXPECT_EQ(OfferFile(FileInformation("whole.bin", 3000, kThen + 60), Zf(3)).Describe(), "ZSKIP 0");
    // Protect (ZF1 7) never touches a file that is here.
    EXPECT_EQ(OfferFile(FileInformation("kept.bin", 3000, kThen), Zf(0, 7)).Describe(), "ZSKIP 0");
    // Newer (ZF1 5): only a newer incoming file replaces ours.
    EXPECT_EQ(OfferFile(FileInformation("dated.bin", 3000, kThen), Zf(0, 5)).Describe(), "ZSKIP 0");
    EXPECT_EQ(OfferFile(FileInformation("dated.bin", 3000, kThen - 100), Zf(0, 5)).Describe(), "ZSKIP 0");
    EXPECT_EQ(ReadFile("dated.bin"), "local copy");
    EXPECT_EQ(OfferFile(FileInformation("dated.bin", 3000, kThen + 100), Zf(0, 5)).Describe(), "ZRPOS 0");
    SendRest(data, 0);
    // Append (ZF1 3): the whole incoming file goes after what is here.
    EXPECT_EQ(OfferFile(FileInformation("log.txt", 11, kThen), Zf(0, 3)).Describe(), "ZRPOS 0");
    SendRest("second part", 0);
    EndSession();
    EXPECT_EQ(Finish(), 3) << TransferLog::Text();

    EXPECT_TRUE(ReadFile("short.bin") == data) << "short.bin";
    EXPECT_TRUE(ReadFile("whole.bin") == data) << "whole.bin";
    EXPECT_EQ(ModificationTime("whole.bin"), kThen + 60);
    EXPECT_EQ(ReadFile("kept.bin"), "keep me");
    EXPECT_TRUE(ReadFile("dated.bin") == data) << "dated.bin";
    EXPECT_EQ(ModificationTime("dated.bin"), kThen + 100);
    EXPECT_EQ(ReadFile("log.txt"), "first part,second part");
}

// ---- Options ----

TEST_F(ZmodemOptions, ACodeASideDoesNotTakeIsRefusedBeforeAnythingIsSent) {
    WriteFile("out.bin", "x");
    Start([](PortStructure *port) {
        return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, PORTKIT_XFER_ZMODEM_WINDOW, 1024, 0);
    });
    EXPECT_EQ(Finish(), PORTKIT_INVALID_PARAMETER);
    Start([](PortStructure *port) {
        return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, PORTKIT_XFER_CHECKSUM, 0);
    });
    EXPECT_EQ(Finish(), PORTKIT_INVALID_PARAMETER);
    for (const int option : {PORTKIT_XFER_ZMODEM_BLOCK_DURING_WRITE, PORTKIT_XFER_CHECKSUM}) {
        Start([option](PortStructure *port) { return SendOut(port, option); });
        EXPECT_EQ(Finish(), PORTKIT_INVALID_PARAMETER) << option;
    }
    EXPECT_TRUE(peer.Quiet(100));
}

}  // namespace
}  // namespace portkit::test
