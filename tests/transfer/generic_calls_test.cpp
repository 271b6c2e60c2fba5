// The generic transfer calls: where each option lands in the block, the
// numbers and blocks that are refused, and a run through to the ASCII engine.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "portkit/transfer.h"
#include "support/scratch_files.h"
#include "support/scripted_driver.h"

namespace portkit::test {
namespace {

constexpr int32_t kNoOp = PORTKIT_XFER_NO_OPTION;

std::vector<int32_t> BlockOf(std::vector<int32_t> list) {
    int32_t *block = PWSetFileTransferOptions(list.data());
    EXPECT_NE(block, nullptr);
    std::vector<int32_t> slots(block, block + PORTKIT_OPTION_BLOCK_SLOTS);
    FreeXferBuffer(block);
    return slots;
}

struct SlotCase {
    const char *name;
    std::vector<int32_t> list;
    std::vector<std::pair<int, int32_t>> set;  // slot, value; every other slot 1001
};

TEST(OptionBlock, EachCodeLandsInItsSlots) {
    const std::vector<SlotCase> cases = {
        {"nothing", {0}, {}},
        {"abort key 13 is an argument, not a code", {1007, 13, 1006, 0}, {{5, 1007}, {6, 13}, {4, 1006}}},
        // The vectors end at their terminators: the sanitizer sees any read beyond.
        {"0 and -1 as arguments are arguments, not the end",
         {1016, 0, 1024, -1, 1005, 0},
         {{8, 1016}, {9, 0}, {18, 1024}, {19, -1}, {3, 1005}}},
        {"a list that ends right after an argument of 0", {1007, 0, 0}, {{5, 1007}, {6, 0}}},
        {"every argument pair",
         {1016, 5000, 1012, 250, 1024, 7, 1027, 99, 1028, 4, 1029, 8192, 0},
         {{8, 1016},
          {9, 5000},
          {12, 1012},
          {13, 250},
          {18, 1024},
          {19, 7},
          {22, 1027},
          {23, 99},
          {24, 1028},
          {25, 4},
          {26, 1029},
          {27, 8192}}},
        {"plain codes",
         {1002, 1003, 1004, 1005, 1008, 1009, 1011, 1014, 1015, 1017, 1025, 1026, 0},
         {{0, 1002},
          {1, 1003},
          {2, 1004},
          {3, 1005},
          {7, 1008},
          {10, 1009},
          {11, 1011},
          {14, 1014},
          {15, 1015},
          {16, 1017},
          {20, 1025},
          {21, 1026}}},
        {"file management: the last one counts, 1022 included", {1018, 1023, 0}, {{17, 1023}}},
        {"1022 like its neighbours", {1019, 1022, 0}, {{17, 1022}}},
        {"unknown values skipped", {1010, 1013, 1001, 1030, 999, 5, 1005, 0}, {{3, 1005}}},
        {"-1 ends the list too", {1005, -1, 1006, 0}, {{3, 1005}}},
        {"a later value overwrites", {1007, 3, 1007, 27, 0}, {{5, 1007}, {6, 27}}},
    };
    for (const SlotCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int32_t> expected(PORTKIT_OPTION_BLOCK_SLOTS, kNoOp);
        for (const auto &[slot, value] : c.set) expected[static_cast<std::size_t>(slot)] = value;
        EXPECT_EQ(BlockOf(c.list), expected);
    }
    int32_t *block = PWSetFileTransferOptions(nullptr);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[27], kNoOp);
    FreeXferBuffer(block);
}

class GenericTransferCalls : public ScriptedPortTest {
protected:
    int32_t *Block(std::vector<int32_t> list = {0}) { return PWSetFileTransferOptions(list.data()); }
    TempDirectory dir;
};

// A refused call still releases the block: the leak checker sees it if not.
TEST_F(GenericTransferCalls, RefusedNumbersAndBlocksGiveInvalidParameter) {
    for (const int protocol : {3, 4, 9, -1, 1 << 20}) {
        SCOPED_TRACE(protocol);
        EXPECT_EQ(PWFileSend(port, protocol, "x", 0, 0, Block()), PORTKIT_INVALID_PARAMETER);
        EXPECT_EQ(PWFileReceive(port, protocol, "x", 0, Block()), PORTKIT_INVALID_PARAMETER);
    }
    EXPECT_EQ(PWFileSend(port, 0, "x", 0, 0, nullptr), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(PWFileReceive(port, 0, "x", 0, nullptr), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(PWFileSend(nullptr, 0, "x", 0, 0, Block()), PORTKIT_INVALID_PARAMETER);
    // Slots forwarded whether set or not: the checksum option reaches
    // senders that do not take it.
    WriteFile(dir / "a.bin", "data");
    const std::string file = dir / "a.bin";
    for (const int protocol : {1, 2}) {
        EXPECT_EQ(PWFileSend(port, protocol, file.c_str(), 0, 0, Block({1008, 0})), PORTKIT_INVALID_PARAMETER);
    }
    EXPECT_EQ(driver.sent, "");
}

// The ASCII values arrive: the flag strips line feeds, the value is the
// line delay. (The time-out slots are crossed in the peer tests.)
TEST_F(GenericTransferCalls, AsciiValuesReachTheEngine) {
    WriteFile(dir / "a.txt", "ab\r\ncd\r\n");
    std::set<std::size_t> boundaries;
    driver.on_turn = [&](ScriptedDriver &d) { boundaries.insert(d.sent.size()); };
    EXPECT_EQ(PWFileSend(port, PORTKIT_ASCII, (dir / "a.txt").c_str(), 5, 1, Block()), 1);
    EXPECT_EQ(driver.sent, "ab\rcd\r");
    EXPECT_EQ(boundaries, (std::set<std::size_t>{3, 6}));
}

}  // namespace
}  // namespace portkit::test
