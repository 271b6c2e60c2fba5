// The B+ check methods and quoting against independently known values.
#include <gtest/gtest.h>

#include <string>

#include "transfer/bplus/bplus_engine.h"

namespace portkit::transfer {
namespace {

std::uint32_t CheckOver(int method, const std::string &bytes) {
    BPlusCheck check = StartCheck(method);
    for (unsigned char c : bytes) AddToCheck(check, c);
    return check.value;
}

// Standard catalogue values over "123456789".
TEST(BPlusChecks, MatchTheCatalogueValues) {
    const std::string digits = "123456789";
    EXPECT_EQ(CheckOver(1, digits), 0x29B1u);            // CRC-16/CCITT-FALSE
    EXPECT_EQ(~CheckOver(2, digits) & 0xFFFF, 0x906Eu);  // CRC-16/X-25
    EXPECT_EQ(~CheckOver(3, digits), 0xCBF43926u);       // CRC-32
}

// A receiver continues the check over the bytes as sent and looks for the
// method's residue.
TEST(BPlusChecks, GoodPacketsLeaveEachMethodsResidue) {
    const std::string packet = std::string("3N") + std::string("\x10\x91\xFF\x00", 4) + "\x03";
    for (int method : {0, 1, 2, 3}) {
        SCOPED_TRACE(method);
        BPlusCheck sender = StartCheck(method);
        for (unsigned char c : packet) AddToCheck(sender, c);
        unsigned char bytes[4];
        const int count = CheckBytes(sender, bytes);
        ASSERT_EQ(count, CheckByteCount(method));
        BPlusCheck receiver = StartCheck(method);
        for (unsigned char c : packet) AddToCheck(receiver, c);
        if (method == 0) {
            EXPECT_TRUE(CheckAccepts(receiver, bytes[0]));
            EXPECT_FALSE(CheckAccepts(receiver, static_cast<unsigned char>(bytes[0] ^ 1)));
            continue;
        }
        BPlusCheck damaged = receiver;
        for (int i = 0; i < count; ++i) AddToCheck(receiver, bytes[i]);
        EXPECT_TRUE(CheckAccepts(receiver, 0));
        if (method == 2) {
            EXPECT_EQ(receiver.value, 0xF0B8u);
        }
        if (method == 3) {
            EXPECT_EQ(receiver.value, 0xDEBB20E3u);
        }
        AddToCheck(damaged, static_cast<unsigned char>(bytes[0] ^ 0x40));
        for (int i = 1; i < count; ++i) AddToCheck(damaged, bytes[i]);
        EXPECT_FALSE(CheckAccepts(damaged, 0));
    }
}

// The rotating sum folds its carries: 0x80 doubled is 0x100, which folds to 1.
TEST(BPlusChecks, ChecksumFoldsCarriesBackIn) {
    EXPECT_EQ(CheckOver(0, std::string("\x80\x00", 2)), 0x01u);
    EXPECT_EQ(CheckOver(0, std::string("\xFF\xFF", 2)), 0xFFu);
}

TEST(BPlusQuoting, EveryByteComesBackAsItWent) {
    BPlusState state;
    SetDefaultQuoteSet(state);
    for (int mode : {kQuoteBySet, kQuoteEverything}) {
        state.quote_mode = mode;
        for (int c = 0; c < 256; ++c) {
            unsigned char wire[2];
            const int n = QuoteInto(state, static_cast<unsigned char>(c), wire);
            const int back = n == 1 ? wire[0] : Unquote(wire[1]);
            EXPECT_EQ(back, c) << "mode " << mode << " byte " << c;
            if (n == 2) {
                EXPECT_EQ(wire[0], kDLE);
            }
        }
    }
}

TEST(BPlusQuoting, DefaultSetQuotesOnlyTheFlowAndFramingCharacters) {
    BPlusState state;
    SetDefaultQuoteSet(state);
    struct Case {
        unsigned char byte;
        std::string wire;
    };
    const Case cases[] = {
        {0x10, "\x10P"}, {0x03, "\x10\x43"},           {0x05, "\x10\x45"}, {0x11, "\x10Q"}, {0x13, "\x10S"},
        {0x15, "\x10U"}, {0x00, std::string(1, '\0')}, {0x91, "\x91"},     {'A', "A"},
    };
    for (const Case &c : cases) {
        unsigned char wire[2];
        const int n = QuoteInto(state, c.byte, wire);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(wire), static_cast<std::size_t>(n)), c.wire)
            << "byte " << int(c.byte);
    }
    state.quote_set[0x11] |= 0x10;  // the host asks for 0x91
    unsigned char wire[2];
    ASSERT_EQ(QuoteInto(state, 0x91, wire), 2);
    EXPECT_EQ(wire[1], 0x71);
}

TEST(BPlusQuoting, LevelCodeFollowsTheWorstMarkedCharacter) {
    BPlusState state;
    SetDefaultQuoteSet(state);
    EXPECT_EQ(QuoteLevelCode(state, false), 1);
    state.quote_set[0x00] |= 0x01;  // NUL
    EXPECT_EQ(QuoteLevelCode(state, false), 0);
    state.quote_set[0x13] |= 0x10;  // 0x93
    EXPECT_EQ(QuoteLevelCode(state, false), 2);
    state.quote_set[0x1B] |= 0x01;  // ESC
    EXPECT_EQ(QuoteLevelCode(state, false), 3);
    EXPECT_EQ(QuoteLevelCode(state, true), 1);
}

}  // namespace
}  // namespace portkit::transfer
