// ZMODEM framing: the exact bytes our headers and subpackets put on the
// wire, and what our readers make of bytes a scripted peer writes at the
// other end of a simulated cable (written first, so no thread is needed).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "support/skipping_clock.h"
#include "support/xmodem_peer.h"
#include "transfer/zmodem/zmodem_frames.h"

namespace portkit::test {
namespace {

using namespace portkit::transfer;

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (const int v : values) s += static_cast<char>(v);
    return s;
}

const std::string kNine = Bytes({0x0D, 0x10, 0x11, 0x13, 0x18, 0x8D, 0x90, 0x91, 0x93});

class ZmodemFrames : public ::testing::Test {
protected:
    SkippingClock clock_;
    void SetUp() override {
        const std::string cable =
            std::string("zmodem-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        setenv("PORTKIT_COM71", ("sim:" + cable + ":a").c_str(), 1);
        setenv("PORTKIT_COM72", ("sim:" + cable + ":b").c_str(), 1);
        ours_ = PortOpenMSWin32(70, 115200, 'N', 8, 1);
        theirs_ = PortOpenMSWin32(71, 115200, 'N', 8, 1);
        ASSERT_EQ(PWGetPortStatus(ours_), 0);
        ASSERT_EQ(PWGetPortStatus(theirs_), 0);
        peer = XmodemPeer(theirs_);
        record.port = ours_;
        record.message_function = TransferLog::Hook;
        record.transfer_type = PORTKIT_ZMODEM;
        // Exactly the engine's size, so an overrun shows under ASan.
        record.buffer = static_cast<char *>(AllocateXferBuffer(kMaxSubpacket));
        Zmodem(&record).retry_limit = 10;
        TransferLog::Clear();
    }
    void TearDown() override {
        SetAbortXferFunctionPtr(nullptr);
        FreeXferBuffer(record.buffer);
        if (ours_ != nullptr) PWPortClose(ours_);
        if (theirs_ != nullptr) PWPortClose(theirs_);
    }

    // What the peer has received, after a short quiet spell.
    std::string Received() {
        std::string bytes;
        for (int c; (c = peer.Get(100)) >= 0;) bytes += static_cast<char>(c);
        return bytes;
    }
    void UseCrc32() { Zmodem(&record).receiver_flags = kCANFC32; }
    void Fill(const std::string &data) { std::copy(data.begin(), data.end(), record.buffer); }

    TransferRecord record{};
    XmodemPeer peer;
    PortStructure *ours_ = nullptr;
    PortStructure *theirs_ = nullptr;
};

const unsigned char kZeros[4] = {0, 0, 0, 0};

// ---- Sending: exact bytes ----

TEST_F(ZmodemFrames, HexHeadersAreLowerCaseWithCrLfAndXonExceptAfterZfinAndZack) {
    struct Case {
        int type;
        unsigned char data[4];
        std::string wire;
    };
    const Case cases[] = {
        {kZRQINIT,
         {0, 0, 0, 0},
         "**\x18"
         "B00000000000000\r\n\x11"},
        {kZRINIT,
         {0, 0, 0, 0x27},
         "**\x18"
         "B0100000027fed4\r\n\x11"},
        {kZRPOS,
         {0x78, 0x56, 0x34, 0x12},
         "**\x18"
         "B09785634127886\r\n\x11"},
        {kZACK,
         {0xEF, 0xCD, 0xAB, 0x00},
         "**\x18"
         "B03efcdab001bf4\r\n"},
        {kZFIN,
         {0, 0, 0, 0},
         "**\x18"
         "B0800000000022d\r\n"},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(SendHexHeader(&record, c.type, c.data), 0);
        EXPECT_EQ(Received(), c.wire) << "type " << c.type;
    }
}

TEST_F(ZmodemFrames, BinaryHeadersEscapeHeaderAndCrcBytesButNot7FOrFF) {
    const unsigned char data[4] = {0x0D, 0x7F, 0xFF, 0x91};
    ASSERT_EQ(SendBinaryHeader(&record, kZDATA, data), 0);
    EXPECT_EQ(Received(), Bytes({'*', 0x18, 'A', 0x0A, 0x18, 0x4D, 0x7F, 0xFF, 0x18, 0xD1, 0x1B, 0x76}));
    // Both CRC-16 bytes are 0x0D here.
    const unsigned char ff[4] = {0xFF, 0, 0, 0};
    ASSERT_EQ(SendBinaryHeader(&record, kZDATA, ff), 0);
    EXPECT_EQ(Received(), Bytes({'*', 0x18, 'A', 0x0A, 0xFF, 0, 0, 0, 0x18, 0x4D, 0x18, 0x4D}));

    UseCrc32();  // the receiver offered CANFC32: CRC-32, low byte first
    ASSERT_EQ(SendBinaryHeader(&record, kZDATA, data), 0);
    EXPECT_EQ(Received(), Bytes({'*', 0x18, 'C', 0x0A, 0x18, 0x4D, 0x7F, 0xFF, 0x18, 0xD1, 0xAC, 0x46, 0x79, 0x35}));
}

TEST_F(ZmodemFrames, EncodedCharEscapesExactlyTheNineValues) {
    for (int byte = 0; byte < 256; ++byte) {
        ASSERT_EQ(SendEncodedChar(&record, byte), 0);
        const bool escaped = kNine.find(static_cast<char>(byte)) != std::string::npos;
        const std::string expected = escaped ? Bytes({0x18, byte ^ 0x40}) : std::string(1, static_cast<char>(byte));
        ASSERT_EQ(peer.GetBytes(expected.size(), 500), expected) << "byte " << byte;
    }
    EXPECT_TRUE(peer.Quiet(50));
}

// Data with every escaped value, 0x7F and 0xFF; escaped CRC bytes turn up
// for 'i' (CRC-16) and 'j' (CRC-32).
TEST_F(ZmodemFrames, SubpacketsCarryTerminatorCrcAndXonAfterZcrcw) {
    const std::string data = "a" + Bytes({0x0D, 0x7F, 0xFF, 0x18, 0x10, 0x11, 0x13, 0x8D, 0x90, 0x91, 0x93}) + "b";
    const std::string escaped = Bytes({0x61, 0x18, 0x4D, 0x7F, 0xFF, 0x18, 0x58, 0x18, 0x50, 0x18, 0x51,
                                       0x18, 0x53, 0x18, 0xCD, 0x18, 0xD0, 0x18, 0xD1, 0x18, 0xD3, 0x62});
    struct Case {
        int terminator;
        std::string crc16_tail, crc32_tail;  // ZDLE, terminator, CRC, XON
    };
    const Case cases[] = {
        {kZCRCE, Bytes({0x18, 'h', 0x1D, 0x2D}), Bytes({0x18, 'h', 0x73, 0x8E, 0x1D, 0x28})},
        {kZCRCG, Bytes({0x18, 'i', 0x18, 0x4D, 0x0C}), Bytes({0x18, 'i', 0xE5, 0xBE, 0x1A, 0x5F})},
        {kZCRCQ, Bytes({0x18, 'j', 0x3D, 0x6F}), Bytes({0x18, 'j', 0x5F, 0xEF, 0x18, 0x53, 0xC6})},
        {kZCRCW, Bytes({0x18, 'k', 0x2D, 0x4E, 0x11}), Bytes({0x18, 'k', 0xC9, 0xDF, 0x14, 0xB1, 0x11})},
    };
    Fill(data);
    for (const Case &c : cases) {
        Zmodem(&record).receiver_flags = 0;
        ASSERT_EQ(SendDataSubpacket(&record, static_cast<int>(data.size()), c.terminator), 0);
        EXPECT_EQ(Received(), escaped + c.crc16_tail) << "CRC-16, " << char(c.terminator);
        UseCrc32();
        ASSERT_EQ(SendDataSubpacket(&record, static_cast<int>(data.size()), c.terminator), 0);
        EXPECT_EQ(Received(), escaped + c.crc32_tail) << "CRC-32, " << char(c.terminator);
    }
}

TEST_F(ZmodemFrames, EmptySubpacketIsTerminatorAndCrcOnlyAndOversizeIsRefused) {
    ASSERT_EQ(SendDataSubpacket(&record, 0, kZCRCE), 0);
    EXPECT_EQ(Received(), Bytes({0x18, 'h', 0xED, 0xAE}));
    ASSERT_EQ(SendDataSubpacket(&record, 0, kZCRCW), 0);
    EXPECT_EQ(Received(), Bytes({0x18, 'k', 0xDD, 0xCD, 0x11}));
    UseCrc32();
    ASSERT_EQ(SendDataSubpacket(&record, 0, kZCRCE), 0);
    EXPECT_EQ(Received(), Bytes({0x18, 'h', 0xE7, 0x06, 0x6B, 0x18, 0xD1}));

    // More than the buffer holds is never read past its end.
    EXPECT_EQ(SendDataSubpacket(&record, kMaxSubpacket + 1, kZCRCG), PORTKIT_USER_BUFFER_OVERFLOW);
    EXPECT_EQ(SendDataSubpacket(&record, -1, kZCRCG), PORTKIT_USER_BUFFER_OVERFLOW);
    EXPECT_TRUE(peer.Quiet(50));
}

// ---- Reading ----

TEST_F(ZmodemFrames, HeadersReadBackWhatWasSent) {
    const unsigned char data[4] = {0x11, 0x0D, 0x7F, 0xFF};
    struct Case {
        int flags;
        bool hex;
        int format;
    };
    const Case cases[] = {{0, true, 'B'}, {0, false, 'A'}, {kCANFC32, false, 'C'}};
    for (const Case &c : cases) {
        for (const int type : {int{kZRQINIT}, int{kZACK}, int{kZFIN}, int{kZDATA}, int{kZFERR}}) {
            Zmodem(&record).receiver_flags = c.flags;
            ASSERT_EQ(c.hex ? SendHexHeader(&record, type, data) : SendBinaryHeader(&record, type, data), 0);
            peer.Send(Received());
            std::fill_n(Zmodem(&record).header_data, 4, 0);
            EXPECT_EQ(ReadFrameHeader(&record, 1), type) << char(c.format) << " " << type;
            EXPECT_EQ(Zmodem(&record).header_format, c.format);
            EXPECT_EQ(std::string(reinterpret_cast<char *>(Zmodem(&record).header_data), 4),
                      std::string(reinterpret_cast<const char *>(data), 4));
            if (c.hex) {
                EXPECT_EQ(Zmodem(&record).hex_header_seen, 1);
            }
        }
    }
    EXPECT_EQ(record.error_count, 0);
    EXPECT_EQ(HeaderPosition(data), static_cast<int32_t>(0xFF7F0D11u));
}

TEST_F(ZmodemFrames, SubpacketsReadBackWithEitherCrc) {
    std::string data;
    for (int i = 0; i < 512; ++i) data += static_cast<char>(i * 7);
    for (const int flags : {0, kCANFC32}) {
        for (const int terminator : {int{kZCRCE}, int{kZCRCG}, int{kZCRCQ}, int{kZCRCW}}) {
            Fill(data);
            Zmodem(&record).receiver_flags = flags;
            ASSERT_EQ(SendDataSubpacket(&record, static_cast<int>(data.size()), terminator), 0);
            std::string wire = Received();
            if (terminator == kZCRCW) {
                ASSERT_EQ(wire.back(), 0x11);
                wire.pop_back();
            }
            peer.Send(wire);
            std::fill_n(record.buffer, kMaxSubpacket, 0);
            Zmodem(&record).header_format = flags != 0 ? 'C' : 'A';
            EXPECT_EQ(ReadDataSubpacket(&record), terminator);
            EXPECT_EQ(record.block_size, 512);
            EXPECT_EQ(std::string(record.buffer, 512), data);
        }
    }
    EXPECT_TRUE(TransferLog::Has("ReadCrc32:  good CRC-32")) << TransferLog::Text();
}

// Raw flow control is never data (a sender escapes it, as in 0x18 0xD1), so
// it is passed over, also between a ZDLE and what it escapes.
TEST_F(ZmodemFrames, ReadByteUnescapesAndMarksTerminators) {
    peer.Send(
        Bytes({'x', 0x7F, 0xFF, 0x18, 'l', 0x18, 'm', 0x18, 0x4D, 0x18, 0xD1, 0x11, 0x93, 0x18, 0x13, 'h', 0x18, 'k'}));
    for (const int expected : {int{'x'}, 0x7F, 0xFF, 0x7F, 0xFF, 0x0D, 0x91, 0x100 + 'h', 0x100 + 'k'}) {
        EXPECT_EQ(ReadByte(&record), expected);
    }
}

TEST_F(ZmodemFrames, UpperCaseHexAndStrayTrailerRejectHexHeaders) {
    // ZDATA at position 10: right in lower case, refused in upper case.
    peer.Send(
        "**\x18"
        "B0a0a0000002e05\r\n");
    EXPECT_EQ(ReadFrameHeader(&record, 1), kZDATA);
    EXPECT_EQ(HeaderPosition(Zmodem(&record).header_data), 10);
    peer.Send(
        "**\x18"
        "B0A0A0000002E05\r\n");
    EXPECT_EQ(ReadFrameHeader(&record, 1), -1);
    EXPECT_TRUE(TransferLog::Has("ReadFrameHeader: Frame type -1")) << TransferLog::Text();
    EXPECT_EQ(record.error_count, 1);
    ClearRXBuffer(ours_);

    // A good header followed by something other than CR, LF or XON.
    const unsigned char position[4] = {1, 0, 0, 0};
    ASSERT_EQ(SendHexHeader(&record, kZRPOS, position), 0);
    std::string wire = Received();
    wire.resize(wire.size() - 3);
    peer.Send(wire + "x\r\n");
    EXPECT_EQ(ReadHexFrameHeaderData(&record), -1);
    EXPECT_EQ(Zmodem(&record).hex_header_seen, 0);

    // A damaged digit: bad CRC.
    ClearRXBuffer(ours_);
    wire[6] = '1';
    peer.Send(wire + "\r\n");
    EXPECT_EQ(ReadFrameHeader(&record, 1), -1);
    EXPECT_TRUE(TransferLog::Has("ReadHexFrameHeaderData: bad CRC-16")) << TransferLog::Text();
}

TEST_F(ZmodemFrames, BadCrcsAreRefused) {
    const unsigned char data[4] = {1, 2, 3, 4};
    for (const int flags : {0, kCANFC32}) {
        Zmodem(&record).receiver_flags = flags;
        ASSERT_EQ(SendBinaryHeader(&record, kZDATA, data), 0);
        std::string wire = Received();
        wire[4] ^= 0x01;  // a data byte
        peer.Send(wire);
        EXPECT_EQ(ReadFrameHeader(&record, 1), -1);
    }
    EXPECT_TRUE(TransferLog::Has("ReadBinaryHeaderData: bad CRC-16")) << TransferLog::Text();
    EXPECT_TRUE(TransferLog::Has("ReadBinaryHeaderData: bad CRC-32")) << TransferLog::Text();
    EXPECT_EQ(record.error_count, 2);

    // Subpackets: a damaged CRC byte, and a CRC-16 subpacket read as CRC-32.
    Fill("hello");
    for (const int flags : {0, kCANFC32}) {
        Zmodem(&record).receiver_flags = flags;
        Zmodem(&record).header_format = flags != 0 ? 'C' : 'A';
        ASSERT_EQ(SendDataSubpacket(&record, 5, kZCRCE), 0);
        std::string wire = Received();
        wire.back() ^= 0x01;
        peer.Send(wire);
        EXPECT_EQ(ReadDataSubpacket(&record), -1);
    }
    EXPECT_TRUE(TransferLog::Has("ReadCrc32: bad CRC-32")) << TransferLog::Text();
    Zmodem(&record).receiver_flags = 0;
    ASSERT_EQ(SendDataSubpacket(&record, 5, kZCRCG), 0);
    peer.Send(Received() + "xx");  // two more bytes to make up four CRC bytes
    Zmodem(&record).header_format = 'C';
    EXPECT_EQ(ReadDataSubpacket(&record), -1);
    // A subpacket CRC failure is the caller's to count.
    EXPECT_EQ(record.error_count, 2);
}

TEST_F(ZmodemFrames, OversizeSubpacketIsRefusedWithoutOverrun) {
    for (const int size : {1024, 1025, 4000}) {
        peer.Send(std::string(static_cast<std::size_t>(size), 'x') + Bytes({0x18, 'h', 0, 0}));
        Zmodem(&record).header_format = 'A';
        const int result = ReadDataSubpacket(&record);
        if (size == 1024) {
            EXPECT_EQ(result, -1);  // the CRC was left zero on purpose
        } else {
            EXPECT_EQ(result, PORTKIT_USER_BUFFER_OVERFLOW) << size;
        }
        EXPECT_EQ(record.block_size, 1024);
        ClearRXBuffer(ours_);
    }
}

TEST_F(ZmodemFrames, FiveCansEndTheHuntAndTheData) {
    // Four are noise: the header after them is read.
    const unsigned char data[4] = {0, 0, 0, 0};
    ASSERT_EQ(SendHexHeader(&record, kZRINIT, data), 0);
    peer.Send(Bytes({0x18, 0x18, 0x18, 0x18, 'x'}) + Received());
    EXPECT_EQ(ReadFrameHeader(&record, 1), kZRINIT);

    // Inside data: ZDLE and four more CAN.
    Zmodem(&record).header_format = 'A';
    peer.Send(Bytes({'a', 'b', 0x18, 0x18, 0x18, 0x18, 0x18}));
    EXPECT_EQ(ReadDataSubpacket(&record), PORTKIT_XFER_REMOTE_ABORT);
    EXPECT_EQ(record.status, PORTKIT_XFER_REMOTE_ABORT);
    EXPECT_TRUE(TransferLog::Has("ReadByte: Remote end sent 5-CAN")) << TransferLog::Text();
    // ZDLE with three CAN then a letter is still an escape.
    record.status = 0;
    peer.Send(Bytes({0x18, 0x18, 0x18, 0x18, 0x4D}));
    EXPECT_EQ(ReadByte(&record), 0x0D);

    // While hunting: the transfer ends without a cancel of our own.
    peer.Send(std::string("junk") + Bytes({0x18, 0x18, 0x18, 0x18, 0x18}));
    EXPECT_EQ(ReadFrameHeader(&record, 0), PORTKIT_XFER_REMOTE_ABORT);
    EXPECT_TRUE(TransferLog::Has("GetPad: Remote end sent 5-CAN")) << TransferLog::Text();
    EXPECT_EQ(record.buffer, nullptr);  // cleaned up
    EXPECT_TRUE(peer.Quiet(100));
}

TEST_F(ZmodemFrames, CanBeforeAPadDoesNotLoseTheHeader) {
    const unsigned char data[4] = {5, 0, 0, 0};
    ASSERT_EQ(SendBinaryHeader(&record, kZRPOS, data), 0);
    peer.Send(Bytes({0x18}) + Received());
    EXPECT_EQ(ReadFrameHeader(&record, 1), kZRPOS);
    EXPECT_EQ(HeaderPosition(Zmodem(&record).header_data), 5);
}

TEST_F(ZmodemFrames, GarbageLimitEndsTheHunt) {
    const unsigned char data[4] = {0, 0, 0, 0};
    ASSERT_EQ(SendHexHeader(&record, kZRQINIT, data), 0);
    const std::string header = Received();

    peer.Send(std::string(2047, 'g') + header);
    EXPECT_EQ(ReadFrameHeader(&record, 1), kZRQINIT);
    EXPECT_EQ(Zmodem(&record).garbage_count, 2047);
    EXPECT_TRUE(TransferLog::Has("GetPad: incoming garbage"));

    TransferLog::Clear();
    peer.Send(std::string(2048, 'g') + header);
    EXPECT_EQ(ReadFrameHeader(&record, 1), -1);
    EXPECT_TRUE(TransferLog::Has("GetPad: Exceeded garbage count")) << TransferLog::Text();
    EXPECT_TRUE(TransferLog::Has("ReadFrameHeader: Header Type <-8>")) << TransferLog::Text();
    ClearRXBuffer(ours_);

    // Garbage after a pad hunts again.
    peer.Send("*q*\x18Z" + header);
    EXPECT_EQ(ReadFrameHeader(&record, 1), -1);  // unknown format 'Z'
    EXPECT_TRUE(TransferLog::Has("ReadFrameHeader: Header Type Z")) << TransferLog::Text();
    EXPECT_EQ(ReadFrameHeader(&record, 1), kZRQINIT);

    // An endless run of pads cannot hold the reader.
    TransferLog::Clear();
    peer.Send(std::string(3000, '*'));
    EXPECT_EQ(ReadFrameHeader(&record, 1), -1);
    EXPECT_TRUE(TransferLog::Has("GetPad: Exceeded garbage count")) << TransferLog::Text();
}

TEST_F(ZmodemFrames, ReturnOnErrorAndRetryLimit) {
    const std::string bad =
        "**\x18"
        "B0000000000ffff\r\n";
    Zmodem(&record).retry_limit = 3;
    peer.Send(bad + bad);
    EXPECT_EQ(ReadFrameHeader(&record, 1), -1);
    EXPECT_EQ(ReadFrameHeader(&record, 1), -1);
    EXPECT_EQ(record.retry_count, 2);
    // Clear: hunts on through bad headers until a good one...
    const unsigned char data[4] = {0, 0, 0, 0};
    record.retry_count = 0;
    ASSERT_EQ(SendHexHeader(&record, kZFIN, data), 0);
    peer.Send(bad + bad + Received());
    EXPECT_EQ(ReadFrameHeader(&record, 0), kZFIN);
    EXPECT_EQ(record.retry_count, 2);
    // ...or the limit.
    peer.Send(bad);
    EXPECT_EQ(ReadFrameHeader(&record, 0), PORTKIT_XFER_TOO_MANY_ERRORS);
    EXPECT_EQ(record.status, PORTKIT_XFER_TOO_MANY_ERRORS);
}

// ---- Time-outs and stops ----

TEST_F(ZmodemFrames, ReadsTimeOut) {
    int32_t start = ElapsedTime();
    EXPECT_EQ(ReadByte(&record), PORTKIT_BUFFER_EMPTY);
    EXPECT_GE(ElapsedTime() - start, 2400);
    EXPECT_LE(ElapsedTime() - start, 3500);

    // The last CRC-32 byte missing is a time-out, not a CRC verdict.
    Fill("abc");
    UseCrc32();
    ASSERT_EQ(SendDataSubpacket(&record, 3, kZCRCE), 0);
    std::string wire = Received();
    wire.pop_back();
    peer.Send(wire);
    Zmodem(&record).header_format = 'C';
    EXPECT_EQ(ReadDataSubpacket(&record), PORTKIT_BUFFER_EMPTY);
    EXPECT_FALSE(TransferLog::Has("ReadCrc32: bad CRC-32"));

    // A hex header cut short.
    peer.Send(
        "**\x18"
        "B0100");
    EXPECT_EQ(ReadFrameHeader(&record, 1), -1);
}

TEST_F(ZmodemFrames, HuntGivesUpAfterTenSilentSeconds) {
    const int32_t start = ElapsedTime();
    EXPECT_EQ(GetPad(&record), 0);
    const int32_t waited = ElapsedTime() - start;
    EXPECT_GE(waited, 9500);
    EXPECT_LE(waited, 11500);
    EXPECT_TRUE(TransferLog::Has("GetPad: timeout on ZPAD")) << TransferLog::Text();
}

int AbortWithPositive(TransferRecord *) { return 1; }

TEST_F(ZmodemFrames, AStopIsNeverReadAsAByte) {
    // An abort hook that answers a positive value still ends the read with
    // a failure, not a data byte.
    SetAbortXferFunctionPtr(AbortWithPositive);
    EXPECT_LT(ReadByte(&record), 0);
    EXPECT_LT(record.status, 0);
}

TEST_F(ZmodemFrames, ClearRXBufferEmptiesTheQueue) {
    peer.Send(std::string(300, 'z'));
    while (PWSpaceUsedInRXBuffer(ours_) < 300) PortKillTime(ours_, 5);
    EXPECT_EQ(ClearRXBuffer(ours_), 0);
    EXPECT_EQ(PWSpaceUsedInRXBuffer(ours_), 0);
    EXPECT_EQ(PWGetPortStatus(ours_), 0);
}

}  // namespace
}  // namespace portkit::test
