// The key decoder against what xterm, tmux, rxvt and the Linux console send
// for keys: each case is the bytes (in the reads they came in) and the key
// events the Windows console gives for the same keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/console/console_key_decoder.h"
#include "platform/posix/console/win32_console.h"
#include "platform/virtual_keys.h"

namespace portkit::posix {

void PrintTo(const DecodedKey &key, std::ostream *os) {
    *os << "{vk 0x" << std::hex << key.virtual_key << ", char 0x" << int{key.character} << ", state 0x"
        << key.control_state << std::dec << "}";
}

namespace {

using namespace win32_imitation;

constexpr DWORD kShift = SHIFT_PRESSED, kCtrl = LEFT_CTRL_PRESSED, kAlt = LEFT_ALT_PRESSED, kEnh = ENHANCED_KEY;
constexpr std::uint32_t kStart = 1000;

DecodedKey Nav(WORD virtual_key, DWORD state = 0) { return {virtual_key, 0, kEnh | state}; }
DecodedKey Fn(WORD virtual_key, DWORD state = 0) { return {virtual_key, 0, state}; }

struct Case {
    const char *name;
    std::vector<std::string> reads;
    std::vector<DecodedKey> keys;
};

// Every read at the same moment, then a look once a lone ESC's time is up.
std::vector<DecodedKey> Decode(const std::vector<std::string> &reads) {
    KeyDecoder decoder;
    std::vector<DecodedKey> keys;
    for (const std::string &read : reads) {
        decoder.Feed(reinterpret_cast<const unsigned char *>(read.data()), read.size(), kStart, keys);
    }
    decoder.Poll(kStart + KeyDecoder::kEscapeWaitMs, keys);
    return keys;
}

const Case kCases[] = {
    // Bytes typed alone.
    {"letter", {"a"}, {{'A', 'a', 0}}},
    {"capital", {"Q"}, {{'Q', 'Q', kShift}}},
    {"digit", {"7"}, {{'7', '7', 0}}},
    {"shifted digit", {"!"}, {{'1', '!', kShift}}},
    {"punctuation", {";:"}, {{vk::kOem1, ';', 0}, {vk::kOem1, ':', kShift}}},
    {"space", {" "}, {{vk::kSpace, ' ', 0}}},
    {"Ctrl+letter", {"\x01\x1a"}, {{'A', 1, kCtrl}, {'Z', 26, kCtrl}}},
    {"Tab and Enter", {"\t\r"}, {{vk::kTab, 9, 0}, {vk::kReturn, 13, 0}}},
    {"Backspace as DEL and as BS", {"\x7f\b"}, {{vk::kBack, 8, 0}, {vk::kBack, 8, 0}}},
    {"lone Escape", {"\x1b"}, {{vk::kEscape, 27, 0}}},
    {"byte of another character set", {"\xe9"}, {{0, 0xe9, 0}}},
    // xterm, normal and application cursor keys.
    {"arrows", {"\x1b[A\x1b[B\x1b[C\x1b[D"}, {Nav(vk::kUp), Nav(vk::kDown), Nav(vk::kRight), Nav(vk::kLeft)}},
    {"application arrows", {"\x1bOA\x1bOD"}, {Nav(vk::kUp), Nav(vk::kLeft)}},
    {"Home and End", {"\x1b[H\x1b[F\x1bOH\x1bOF"}, {Nav(vk::kHome), Nav(vk::kEnd), Nav(vk::kHome), Nav(vk::kEnd)}},
    {"modified arrows",
     {"\x1b[1;5A\x1b[1;2B\x1b[1;3C\x1b[1;6D"},
     {Nav(vk::kUp, kCtrl), Nav(vk::kDown, kShift), Nav(vk::kRight, kAlt), Nav(vk::kLeft, kCtrl | kShift)}},
    {"F1 to F4", {"\x1bOP\x1bOQ\x1bOR\x1bOS"}, {Fn(vk::kF1), Fn(vk::kF2), Fn(vk::kF3), Fn(vk::kF4)}},
    {"modified F1 to F4", {"\x1b[1;2P\x1b[1;5S"}, {Fn(vk::kF1, kShift), Fn(vk::kF4, kCtrl)}},
    {"F5 to F12",
     {"\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~"},
     {Fn(vk::kF5), Fn(vk::kF6), Fn(vk::kF10), Fn(vk::kF11), Fn(vk::kF12)}},
    {"modified F5", {"\x1b[15;5~\x1b[15;2~"}, {Fn(vk::kF5, kCtrl), Fn(vk::kF5, kShift)}},
    {"editing keys",
     {"\x1b[2~\x1b[3~\x1b[5~\x1b[6~"},
     {Nav(vk::kInsert), Nav(vk::kDelete), Nav(vk::kPrior), Nav(vk::kNext)}},
    {"Ctrl+Delete", {"\x1b[3;5~"}, {Nav(vk::kDelete, kCtrl)}},
    {"Shift+Tab", {"\x1b[Z"}, {{vk::kTab, 9, kShift}}},
    {"keypad 5", {"\x1b[E"}, {Fn(vk::kClear)}},
    // tmux and PuTTY.
    {"Home and End by number", {"\x1b[1~\x1b[4~"}, {Nav(vk::kHome), Nav(vk::kEnd)}},
    {"F1 by number", {"\x1b[11~"}, {Fn(vk::kF1)}},
    // rxvt.
    {"rxvt Home and End", {"\x1b[7~\x1b[8~"}, {Nav(vk::kHome), Nav(vk::kEnd)}},
    {"rxvt Shift and Ctrl arrows", {"\x1b[a\x1bOb"}, {Nav(vk::kUp, kShift), Nav(vk::kDown, kCtrl)}},
    {"rxvt modified editing keys",
     {"\x1b[2^\x1b[3$\x1b[5@"},
     {Nav(vk::kInsert, kCtrl), Nav(vk::kDelete, kShift), Nav(vk::kPrior, kCtrl | kShift)}},
    {"rxvt Shift+F3 and Shift+F10", {"\x1b[25~\x1b[34~"}, {Fn(vk::kF3, kShift), Fn(vk::kF10, kShift)}},
    {"rxvt Alt+Up", {"\x1b\x1b[A"}, {Nav(vk::kUp, kAlt)}},
    // Linux console.
    {"Linux F1 to F5", {"\x1b[[A\x1b[[E"}, {Fn(vk::kF1), Fn(vk::kF5)}},
    {"Linux keypad 5", {"\x1b[G"}, {Fn(vk::kClear)}},
    // Alt with a key.
    {"Alt+letter",
     {"\x1b"
      "a\x1bZ"},
     {{'A', 'a', kAlt}, {'Z', 'Z', kShift | kAlt}}},
    {"Alt+Ctrl+letter", {"\x1b\x01"}, {{'A', 1, kCtrl | kAlt}}},
    {"Alt+Backspace", {"\x1b\x7f"}, {{vk::kBack, 8, kAlt}}},
    {"Alt+Escape", {"\x1b\x1b"}, {{vk::kEscape, 27, kAlt}}},
    {"Alt+[ alone", {"\x1b["}, {{vk::kOem4, '[', kAlt}}},
    {"Escape, then Alt+x", {"\x1b\x1bx"}, {{vk::kEscape, 27, 0}, {'X', 'x', kAlt}}},
    // Sequences of no key are dropped whole.
    {"unknown number", {"\x1b[99~x"}, {{'X', 'x', 0}}},
    {"device attributes reply", {"\x1b[?1;2cy"}, {{'Y', 'y', 0}}},
    {"mouse report", {"\x1b[<0;10;5Mz"}, {{'Z', 'z', 0}}},
    {"bracketed paste marks", {"\x1b[200~q\x1b[201~"}, {{'Q', 'q', 0}}},
    {"cut off by a control", {"\x1b[1;\x03"}, {{'C', 3, kCtrl}}},
    {"cut off by a new ESC", {"\x1b[1\x1b[B"}, {Nav(vk::kDown)}},
    // Split over reads.
    {"split after ESC", {"\x1b", "[A"}, {Nav(vk::kUp)}},
    {"split inside the parameters", {"\x1b[1;", "5", "A"}, {Nav(vk::kUp, kCtrl)}},
    {"split Alt", {"\x1b", "b"}, {{'B', 'b', kAlt}}},
};

TEST(ConsoleKeyDecoder, DecodesWhatTerminalsSend) {
    for (const Case &c : kCases) {
        EXPECT_EQ(Decode(c.reads), c.keys) << c.name;
    }
}

TEST(ConsoleKeyDecoder, SplittingAnywhereChangesNothing) {
    for (const Case &c : kCases) {
        std::string all;
        for (const std::string &read : c.reads) all += read;
        std::vector<std::string> bytes;
        for (const char byte : all) bytes.emplace_back(1, byte);
        EXPECT_EQ(Decode(bytes), c.keys) << c.name;
    }
}

TEST(ConsoleKeyDecoder, LoneEscapeWaitsItsTimeOnTheClock) {
    KeyDecoder decoder;
    std::vector<DecodedKey> keys;
    decoder.Feed(reinterpret_cast<const unsigned char *>("\x1b"), 1, kStart, keys);
    decoder.Poll(kStart + KeyDecoder::kEscapeWaitMs - 1, keys);
    EXPECT_TRUE(keys.empty());
    decoder.Poll(kStart + KeyDecoder::kEscapeWaitMs, keys);
    EXPECT_EQ(keys, (std::vector<DecodedKey>{{vk::kEscape, 27, 0}}));

    // A key that comes after the wait is a key of its own, not Alt+key; and
    // the clock may wrap around in between.
    keys.clear();
    const std::uint32_t near_wrap = 0xFFFFFFF0u;
    decoder.Feed(reinterpret_cast<const unsigned char *>("\x1b"), 1, near_wrap, keys);
    decoder.Feed(reinterpret_cast<const unsigned char *>("x"), 1, near_wrap + 100, keys);
    EXPECT_EQ(keys, (std::vector<DecodedKey>{{vk::kEscape, 27, 0}, {'X', 'x', 0}}));
}

}  // namespace
}  // namespace portkit::posix
