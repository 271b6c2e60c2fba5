// The XMODEM family's rules on the wire: our engines on one end of a
// simulated cable against a scripted peer that damages, repeats, drops and
// cancels blocks, and checks every frame our senders put on the line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/comm/sim_line.h"
#include "support/near_two_gigabytes.h"
#include "support/peer_process.h"
#include "support/xmodem_peer.h"

namespace portkit::test {
namespace {

using XmodemRules = XmodemPeerTest;

// Our senders' waits for an answer, cut from 10 s so a silent peer costs little.
constexpr int kShortResponse = 400;

// TZ=UTC for the life of the object, so that local-time values read as UTC.
class UtcZone {
public:
    UtcZone() {
        if (const char *tz = getenv("TZ")) saved_ = tz;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    ~UtcZone() {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

// A time whose octal digits are 6543210.
constexpr long kOctal6543210 = 1754760;

std::string Padded(const std::string &data, std::size_t size, char pad) {
    std::string block = data;
    block.resize(size, pad);
    return block;
}

// ---- Receiving: what our receiver answers to each kind of block ----

TEST_F(XmodemRules, ReceiverNaksDamagedBlocksAndAcksAndDropsRepeats) {
    const std::string one = RandomBytes(128, 1);
    const std::string two = RandomBytes(128, 2);
    const std::string three = RandomBytes(128, 3);
    Start([](PortStructure *port) { return XmodemReceiveWithOptions(port, "in.bin", TransferLog::Hook, nullptr, 0); });
    ASSERT_EQ(peer.Get(), 'C');

    // Before the first block, number 0 is "the last good one": acknowledged, dropped.
    peer.Send(MakeFrame(0, RandomBytes(128, 99)));
    EXPECT_EQ(peer.Get(), kAck);
    peer.Send(MakeFrame(1, one));
    EXPECT_EQ(peer.Get(), kAck);

    // One data bit flipped: the CRC no longer matches.
    std::string damaged = MakeFrame(2, two);
    damaged[3 + 77] ^= 0x10;
    peer.Send(damaged);
    EXPECT_EQ(peer.Get(), kNak);
    // A damaged check byte is as bad.
    damaged = MakeFrame(2, two);
    damaged.back() ^= 0x01;
    peer.Send(damaged);
    EXPECT_EQ(peer.Get(), kNak);
    peer.Send(MakeFrame(2, two));
    EXPECT_EQ(peer.Get(), kAck);

    // Waiting for 3, a 4 is out of sequence.
    peer.Send(MakeFrame(4, three));
    EXPECT_EQ(peer.Get(), kNak);
    // Block 2 again, as after a lost ACK: acknowledged and dropped.
    peer.Send(MakeFrame(2, two));
    EXPECT_EQ(peer.Get(), kAck);

    // Number and complement that disagree: NAK, then the rest of the frame is
    // purged rather than read as headers (which would bring more NAKs).
    std::string bad_numbers = MakeFrame(3, three);
    bad_numbers[2] = bad_numbers[1];
    peer.Send(bad_numbers);
    EXPECT_EQ(peer.Get(), kNak);
    EXPECT_TRUE(peer.Quiet(1500));

    peer.Send(MakeFrame(3, three));
    EXPECT_EQ(peer.Get(), kAck);
    peer.Send(kEot);
    EXPECT_EQ(peer.Get(), kAck);
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_EQ(ReadFile("in.bin"), one + two + three);
    EXPECT_TRUE(TransferLog::Has("Duplicate block 1")) << TransferLog::Text();
    EXPECT_TRUE(TransferLog::Has("Bad CRC on block number 2")) << TransferLog::Text();
    EXPECT_TRUE(TransferLog::Has("Bad block number waiting for number 3")) << TransferLog::Text();
    EXPECT_TRUE(TransferLog::Has("Duplicate block 3")) << TransferLog::Text();
}

// Repeats count as errors: ten in a row without a new block end the transfer.
// Past 2 GiB the count goes on in 64 bits and byte_total stops at its
// largest value; the file is written as ever.

TEST_F(XmodemRules, ReceiverCountsPastTwoGigabytes) {
    const std::string one = RandomBytes(128, 6);
    const std::string two = RandomBytes(128, 7);
    Start([](PortStructure *port) {
        return XmodemReceiveWithOptions(port, "in.bin", TransferLog::Hook, StartNearTwoGigabytes, 0);
    });
    ASSERT_EQ(peer.Get(), 'C');
    peer.Send(MakeFrame(1, one));
    EXPECT_EQ(peer.Get(), kAck);
    peer.Send(MakeFrame(2, two));
    EXPECT_EQ(peer.Get(), kAck);
    peer.Send(kEot);
    EXPECT_EQ(peer.Get(), kAck);
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_EQ(ReadFile("in.bin"), one + two);
    EXPECT_EQ(last_seen_record.byte_total, INT32_MAX);
    EXPECT_EQ(last_seen_record.byte_total_wide, kCountStart + 256);
}

TEST_F(XmodemRules, ReceiverGivesUpAfterTenRepeatsOfOneBlock) {
    const std::string one = RandomBytes(128, 4);
    Start([](PortStructure *port) { return XmodemReceiveWithOptions(port, "in.bin", TransferLog::Hook, nullptr, 0); });
    ASSERT_EQ(peer.Get(), 'C');
    peer.Send(MakeFrame(1, one));
    ASSERT_EQ(peer.Get(), kAck);
    for (int repeat = 1; repeat <= 10; ++repeat) {
        peer.Send(MakeFrame(1, one));
        ASSERT_EQ(peer.Get(), kAck) << "repeat " << repeat;
    }
    EXPECT_TRUE(peer.ReadCancel());
    EXPECT_EQ(Finish(), PORTKIT_XFER_TOO_MANY_ERRORS);
    EXPECT_EQ(ReadFile("in.bin"), one);
}

// With no answer, the CRC request goes three times, 5 s apart, then NAK asks
// for checksums; a checksummed block is then taken.
TEST_F(XmodemRules, ReceiverFallsBackToChecksumAfterThreeUnansweredCrcRequests) {
    const std::string data = RandomBytes(128, 5);
    Start([](PortStructure *port) { return XmodemReceiveWithOptions(port, "in.bin", TransferLog::Hook, nullptr, 0); });
    ASSERT_EQ(peer.Get(), 'C');
    int32_t last = ElapsedTime();
    for (const int expected : {int{'C'}, int{'C'}, kNak}) {
        const int c = peer.Get(7000);
        const int32_t now = ElapsedTime();
        EXPECT_EQ(c, expected);
        EXPECT_GE(now - last, 4500);
        EXPECT_LE(now - last, 6500);
        last = now;
    }
    peer.Send(MakeFrame(1, data, /*crc=*/false));
    EXPECT_EQ(peer.Get(), kAck);
    peer.Send(kEot);
    EXPECT_EQ(peer.Get(), kAck);
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_EQ(ReadFile("in.bin"), data);
}

// ---- Sending: what our sender does when the answer is not an ACK ----

TEST_F(XmodemRules, SenderRepeatsABlockAfterNakSilenceOrOneCan) {
    const std::string data = RandomBytes(256, 6);
    WriteFile("out.bin", data);
    Start([](PortStructure *port) {
        return XmodemSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, PORTKIT_XFER_RESPONSE_TIMEOUT,
                                     kShortResponse, 0);
    });
    peer.Send('C');
    Frame frame = peer.ReadFrame();
    ASSERT_TRUE(frame.check_ok);
    EXPECT_EQ(frame.header, kSoh);
    EXPECT_EQ(frame.number, 1);
    EXPECT_EQ(frame.data, data.substr(0, 128));

    peer.Send(kNak);
    frame = peer.ReadFrame();
    EXPECT_TRUE(frame.check_ok);
    EXPECT_EQ(frame.number, 1);
    EXPECT_EQ(frame.data, data.substr(0, 128));

    // The ACK is lost: after the response time-out the same block goes again.
    const int32_t silent_from = ElapsedTime();
    frame = peer.ReadFrame(true, 3000);
    const int32_t waited = ElapsedTime() - silent_from;
    EXPECT_EQ(frame.number, 1);
    EXPECT_EQ(frame.data, data.substr(0, 128));
    EXPECT_GE(waited, kShortResponse - 50);
    EXPECT_LT(waited, kShortResponse + 1000);

    // One CAN is line noise, not a cancel.
    peer.Send(kCan);
    frame = peer.ReadFrame();
    EXPECT_EQ(frame.number, 1);

    peer.Send(kAck);
    frame = peer.ReadFrame();
    EXPECT_TRUE(frame.check_ok);
    EXPECT_EQ(frame.number, 2);
    EXPECT_EQ(frame.data, data.substr(128));
    peer.Send(kAck);
    EXPECT_EQ(peer.Get(), kEot);
    peer.Send(kNak);
    EXPECT_EQ(peer.Get(), kEot);
    peer.Send(kAck);
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_TRUE(peer.Quiet(50));  // and no cancel after success
}

// ---- Cancelling: two CAN in a row end either side with -606 ----

TEST_F(XmodemRules, TwoCansInARowEndOurSenderAndOurReceiver) {
    const std::string data = RandomBytes(384, 7);
    WriteFile("out.bin", data);
    auto send = [](PortStructure *port) {
        return XmodemSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, PORTKIT_XFER_RESPONSE_TIMEOUT, 2000,
                                     0);
    };

    // While our sender waits to start.
    Start(send);
    peer.Send(std::string(2, static_cast<char>(kCan)));
    EXPECT_EQ(peer.CountUntilCancel(), 0);
    EXPECT_EQ(Finish(), PORTKIT_XFER_REMOTE_ABORT);
    EXPECT_TRUE(TransferLog::Has("Remote end sent cancel code")) << TransferLog::Text();

    // In the middle of the file: at most the block in hand goes once more.
    Start(send);
    peer.Send('C');
    ASSERT_EQ(peer.ReadFrame().number, 1);
    peer.Send(kAck);
    ASSERT_EQ(peer.ReadFrame().number, 2);
    peer.Send(std::string(2, static_cast<char>(kCan)));
    const int before = peer.CountUntilCancel();
    EXPECT_GE(before, 0) << "no cancel sequence";
    EXPECT_LE(before, 1);
    EXPECT_EQ(Finish(), PORTKIT_XFER_REMOTE_ABORT);

    // Our receiver: one CAN only asks again, two end it; the file so far stays.
    Start([](PortStructure *port) { return XmodemReceiveWithOptions(port, "in.bin", TransferLog::Hook, nullptr, 0); });
    ASSERT_EQ(peer.Get(), 'C');
    peer.Send(MakeFrame(1, data.substr(0, 128)));
    ASSERT_EQ(peer.Get(), kAck);
    peer.Send(kCan);
    EXPECT_EQ(peer.Get(), kNak);
    peer.Send(MakeFrame(2, data.substr(128, 128)));
    EXPECT_EQ(peer.Get(), kAck);
    peer.Send(std::string(2, static_cast<char>(kCan)));
    const int answers = peer.CountUntilCancel();
    EXPECT_GE(answers, 0) << "no cancel sequence";
    EXPECT_LE(answers, 1);  // a NAK for the first CAN at most
    EXPECT_EQ(Finish(), PORTKIT_XFER_REMOTE_ABORT);
    EXPECT_EQ(ReadFile("in.bin"), data.substr(0, 256));
}

// ---- Block numbers and block sizes on the wire ----

TEST_F(XmodemRules, BlockNumbersWrapFrom255To0) {
    const std::string data = RandomBytes(300 * 128, 8);
    WriteFile("out.bin", data);
    Start([](PortStructure *port) {
        return XmodemSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, PORTKIT_XFER_RESPONSE_TIMEOUT,
                                     kShortResponse, 0);
    });
    peer.Send('C');
    std::vector<int> numbers;
    std::string received;
    for (int block = 1; block <= 300; ++block) {
        const Frame frame = peer.ReadFrame();
        ASSERT_TRUE(frame.check_ok) << "block " << block;
        ASSERT_EQ(frame.header, kSoh) << "block " << block;
        numbers.push_back(frame.number);
        received += frame.data;
        peer.Send(kAck);
    }
    EXPECT_EQ(peer.Get(), kEot);
    peer.Send(kAck);
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_EQ(received, data);
    EXPECT_EQ(std::vector<int>(numbers.begin() + 253, numbers.begin() + 258), (std::vector<int>{254, 255, 0, 1, 2}));
    for (int block = 1; block <= 300; ++block) EXPECT_EQ(numbers[block - 1], block % 256) << "block " << block;
}

TEST_F(XmodemRules, OneKSenderUsesLongBlocksWhileMoreThan896BytesRemain) {
    struct Case {
        std::size_t length;
        std::vector<std::size_t> blocks;
        char pad;
    };
    const Case cases[] = {
        {1000, {1024}, '\0'},
        {1900, {1024, 128, 128, 128, 128, 128, 128, 128}, '\x1A'},  // the pad character is the process's choice
        {800, {128, 128, 128, 128, 128, 128, 128}, '\0'},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.length);
        const std::string data = RandomBytes(c.length, static_cast<unsigned>(c.length));
        WriteFile("out.bin", data);
        SetGlobalXmodemPadCharacter(static_cast<unsigned char>(c.pad));
        Start([](PortStructure *port) {
            return Xmodem1KSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, PORTKIT_XFER_RESPONSE_TIMEOUT,
                                           kShortResponse, 0);
        });
        peer.Send('C');
        std::vector<std::size_t> sizes;
        std::string received;
        for (int number = 1;; ++number) {
            const int header = peer.Get();
            if (header == kEot) break;
            const Frame frame = peer.ReadFrameAfter(header);
            ASSERT_TRUE(frame.check_ok) << "block " << number << " header " << header;
            EXPECT_EQ(frame.number, number);
            EXPECT_EQ(frame.header, frame.data.size() == 128 ? kSoh : kStx);
            sizes.push_back(frame.data.size());
            received += frame.data;
            peer.Send(kAck);
        }
        peer.Send(kAck);
        EXPECT_EQ(Finish(), 1) << TransferLog::Text();
        EXPECT_EQ(sizes, c.blocks);
        EXPECT_EQ(received, Padded(data, received.size(), c.pad));
        SetGlobalXmodemPadCharacter(0);
    }
}

// ---- YMODEM: the header block and the length it announces ----

TEST_F(XmodemRules, YmodemHeaderCarriesNameLengthAndOctalTimeAndAnEmptyHeaderEnds) {
    UtcZone utc;
    const std::string data = RandomBytes(1234, 9);
    WriteFile("report.txt", data);
    SetModificationTime("report.txt", kOctal6543210);
    const std::string mode = CarriedModeOf("report.txt", 0640);
    Start([](PortStructure *port) {
        return YmodemSendWithOptions(port, "report.txt", TransferLog::Hook, nullptr, PORTKIT_XFER_RESPONSE_TIMEOUT,
                                     kShortResponse, 0);
    });
    peer.Send('C');
    Frame header = peer.ReadFrame();
    ASSERT_TRUE(header.check_ok);
    EXPECT_EQ(header.header, kSoh);
    EXPECT_EQ(header.number, 0);
    EXPECT_EQ(header.complement, 0xFF);
    EXPECT_EQ(header.data, YmodemHeaderData("report.txt", "1234 6543210 " + mode));
    peer.Send(kAck);

    peer.Send('C');
    std::vector<std::size_t> sizes;
    std::string received;
    for (int number = 1;; ++number) {
        const int first = peer.Get();
        if (first == kEot) break;
        const Frame frame = peer.ReadFrameAfter(first);
        ASSERT_TRUE(frame.check_ok) << "block " << number;
        EXPECT_EQ(frame.number, number);
        sizes.push_back(frame.data.size());
        received += frame.data;
        peer.Send(kAck);
    }
    peer.Send(kAck);
    EXPECT_EQ(sizes, (std::vector<std::size_t>{1024, 128, 128}));
    EXPECT_EQ(received, Padded(data, 1280, '\0'));

    peer.Send('C');
    header = peer.ReadFrame();
    EXPECT_TRUE(header.check_ok);
    EXPECT_EQ(header.header, kSoh);
    EXPECT_EQ(header.number, 0);
    EXPECT_EQ(header.data, std::string(128, '\0'));
    peer.Send(kAck);
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
}

// The last block is cut to the announced length, its time applies; a block
// past the announced length is an I/O error.
TEST_F(XmodemRules, YmodemReceiverWritesExactlyTheAnnouncedLength) {
    UtcZone utc;
    const std::string exact = RandomBytes(300, 10);
    const std::string over = RandomBytes(256, 11);
    Start([](PortStructure *port) { return YmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    SendYmodemFile(peer, "exact.bin", "300 6543210 0", exact);

    ASSERT_EQ(peer.Get(), 'C');
    peer.Send(MakeFrame(0, YmodemHeaderData("over.bin", "100")));
    ASSERT_EQ(peer.Get(), kAck);
    ASSERT_EQ(peer.Get(), 'C');
    peer.Send(MakeFrame(1, over.substr(0, 128)));
    ASSERT_EQ(peer.Get(), kAck);
    peer.Send(MakeFrame(2, over.substr(128, 128)));
    EXPECT_TRUE(peer.ReadCancel());
    EXPECT_EQ(Finish(), PORTKIT_XFER_FILE_IO) << TransferLog::Text();

    EXPECT_EQ(ReadFile("exact.bin"), exact);
    EXPECT_EQ(ModificationTime("exact.bin"), kOctal6543210);
    EXPECT_EQ(ReadFile("over.bin"), over.substr(0, 100));
}

// ---- Streaming variants ----

TEST_F(XmodemRules, OneKGSenderStreamsWithoutAcksAndANakEndsIt) {
    const std::string data = RandomBytes(3000, 12);
    WriteFile("out.bin", data);
    auto send = [](PortStructure *port) {
        return Xmodem1KSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, PORTKIT_XFER_STREAMING,
                                       PORTKIT_XFER_RESPONSE_TIMEOUT, 3000, 0);
    };
    Start(send);
    // A CRC request does not start a streaming sender.
    peer.Send('C');
    EXPECT_TRUE(peer.Quiet(300));
    peer.Send('G');
    const int32_t started = ElapsedTime();
    std::string received;
    for (int number = 1; number <= 3; ++number) {
        const Frame frame = peer.ReadFrame();
        ASSERT_TRUE(frame.check_ok) << "block " << number;
        EXPECT_EQ(frame.header, kStx);
        EXPECT_EQ(frame.number, number);
        received += frame.data;
    }
    EXPECT_EQ(peer.Get(), kEot);
    // Waiting for an ACK per block would have taken 3 s a block.
    EXPECT_LT(ElapsedTime() - started, 1500);
    peer.Send(kAck);
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_EQ(received, Padded(data, 3072, '\0'));

    // On a slow line a NAK after the first block stops the stream at once.
    ASSERT_TRUE(sim::SetLineRate(cable(), 20000));
    WriteFile("out.bin", RandomBytes(40 * 1024, 13));
    Start(send);
    peer.Send('G');
    ASSERT_TRUE(peer.ReadFrame().check_ok);
    peer.Send(kNak);
    const int more = peer.CountUntilCancel(true, 5000);
    EXPECT_GE(more, 0) << "no cancel sequence";
    EXPECT_LT(more, 10) << "the stream went on after the NAK";
    EXPECT_EQ(Finish(), PORTKIT_XFER_REMOTE_ABORT) << TransferLog::Text();
}

TEST_F(XmodemRules, YmodemGReceiverAsksWithGAndAcknowledgesOnlyHeadersAndEot) {
    const std::string data = RandomBytes(2000, 14);
    Start([](PortStructure *port) {
        return YmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, PORTKIT_XFER_STREAMING, 0);
    });
    ASSERT_EQ(peer.Get(), 'G');
    peer.Send(MakeFrame(0, YmodemHeaderData("g.bin", "2000")));
    ASSERT_EQ(peer.Get(), kAck);
    ASSERT_EQ(peer.Get(), 'G');
    peer.Send(MakeFrame(1, data.substr(0, 1024)) + MakeFrame(2, Padded(data.substr(1024), 1024, '\x1A')));
    EXPECT_TRUE(peer.Quiet(500)) << "a data block was answered";
    peer.Send(kEot);
    EXPECT_EQ(peer.Get(), kAck);
    ASSERT_EQ(peer.Get(), 'G');
    peer.Send(MakeFrame(0, std::string(128, '\0')));
    EXPECT_EQ(peer.Get(), kAck);
    EXPECT_EQ(Finish(), 1) << TransferLog::Text();
    EXPECT_EQ(ReadFile("g.bin"), data);
}

// The descriptor of the file the transfer opened.
int opened_descriptor = -1;

// A status hook that stops the transfer as the application's abort key
// does, at its first look once the file is open.
int StopOnceOpen(TransferRecord *record) {
    if (record->file == nullptr || opened_descriptor >= 0) return 0;
    opened_descriptor = fileno(record->file);
    record->status = PORTKIT_XFER_USER_ABORT;
    return 0;
}

TEST_F(XmodemRules, AnAbortAsTheFileOpensClosesIt) {
    WriteFile("out.bin", RandomBytes(1000, 15));
    for (const bool sending : {true, false}) {
        opened_descriptor = -1;
        Start([sending](PortStructure *port) {
            return sending ? XmodemSendWithOptions(port, "out.bin", TransferLog::Hook, StopOnceOpen, 0)
                           : XmodemReceiveWithOptions(port, "in.bin", TransferLog::Hook, StopOnceOpen, 0);
        });
        EXPECT_EQ(Finish(), PORTKIT_XFER_USER_ABORT) << "sending " << sending;
        ASSERT_GE(opened_descriptor, 0);
        EXPECT_EQ(fcntl(opened_descriptor, F_GETFD), -1) << "file left open, sending " << sending;
    }
}

}  // namespace
}  // namespace portkit::test
