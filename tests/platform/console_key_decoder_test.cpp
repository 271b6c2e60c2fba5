// The key decoder against what xterm, tmux, rxvt and the Linux console send
// for keys: each case is the bytes (in the reads they came in) and the key
// events the Windows console gives for the same keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/console_key_decoder.h"
#include "platform/posix/win32_console.h"

namespace portkit::posix {

void PrintTo(const DecodedKey &key, std::ostream *os) {
    *os << "{vk 0x" << std::hex << key.virtual_key << ", char 0x" << int{key.character} << ", state 0x"
        << key.control_state << std::dec << "}";
}

namespace {

using namespace win32;

constexpr DWORD kShift = SHIFT_PRESSED, kCtrl = LEFT_CTRL_PRESSED, kAlt = LEFT_ALT_PRESSED, kEnh = ENHANCED_KEY;
constexpr std::uint32_t kStart = 1000;

DecodedKey Nav(WORD vk, DWORD state = 0) { return {vk, 0, kEnh | state}; }
DecodedKey Fn(WORD vk, DWORD state = 0) { return {vk, 0, state}; }

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
    {"punctuation", {";:"}, {{VK_OEM_1, ';', 0}, {VK_OEM_1, ':', kShift}}},
    {"space", {" "}, {{VK_SPACE, ' ', 0}}},
    {"Ctrl+letter", {"\x01\x1a"}, {{'A', 1, kCtrl}, {'Z', 26, kCtrl}}},
    {"Tab and Enter", {"\t\r"}, {{VK_TAB, 9, 0}, {VK_RETURN, 13, 0}}},
    {"Backspace as DEL and as BS", {"\x7f\b"}, {{VK_BACK, 8, 0}, {VK_BACK, 8, 0}}},
    {"lone Escape", {"\x1b"}, {{VK_ESCAPE, 27, 0}}},
    {"byte of another character set", {"\xe9"}, {{0, 0xe9, 0}}},
    // xterm, normal and application cursor keys.
    {"arrows", {"\x1b[A\x1b[B\x1b[C\x1b[D"}, {Nav(VK_UP), Nav(VK_DOWN), Nav(VK_RIGHT), Nav(VK_LEFT)}},
    {"application arrows", {"\x1bOA\x1bOD"}, {Nav(VK_UP), Nav(VK_LEFT)}},
    {"Home and End", {"\x1b[H\x1b[F\x1bOH\x1bOF"}, {Nav(VK_HOME), Nav(VK_END), Nav(VK_HOME), Nav(VK_END)}},
    {"modified arrows", {"\x1b[1;5A\x1b[1;2B\x1b[1;3C\x1b[1;6D"},
     {Nav(VK_UP, kCtrl), Nav(VK_DOWN, kShift), Nav(VK_RIGHT, kAlt), Nav(VK_LEFT, kCtrl | kShift)}},
    {"F1 to F4", {"\x1bOP\x1bOQ\x1bOR\x1bOS"}, {Fn(VK_F1), Fn(VK_F2), Fn(VK_F3), Fn(VK_F4)}},
    {"modified F1 to F4", {"\x1b[1;2P\x1b[1;5S"}, {Fn(VK_F1, kShift), Fn(VK_F4, kCtrl)}},
    {"F5 to F12", {"\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~"},
     {Fn(VK_F5), Fn(VK_F6), Fn(VK_F10), Fn(VK_F11), Fn(VK_F12)}},
    {"modified F5", {"\x1b[15;5~\x1b[15;2~"}, {Fn(VK_F5, kCtrl), Fn(VK_F5, kShift)}},
    {"editing keys", {"\x1b[2~\x1b[3~\x1b[5~\x1b[6~"},
     {Nav(VK_INSERT), Nav(VK_DELETE), Nav(VK_PRIOR), Nav(VK_NEXT)}},
    {"Ctrl+Delete", {"\x1b[3;5~"}, {Nav(VK_DELETE, kCtrl)}},
    {"Shift+Tab", {"\x1b[Z"}, {{VK_TAB, 9, kShift}}},
    {"keypad 5", {"\x1b[E"}, {Fn(VK_CLEAR)}},
    // tmux and PuTTY.
    {"Home and End by number", {"\x1b[1~\x1b[4~"}, {Nav(VK_HOME), Nav(VK_END)}},
    {"F1 by number", {"\x1b[11~"}, {Fn(VK_F1)}},
    // rxvt.
    {"rxvt Home and End", {"\x1b[7~\x1b[8~"}, {Nav(VK_HOME), Nav(VK_END)}},
    {"rxvt Shift and Ctrl arrows", {"\x1b[a\x1bOb"}, {Nav(VK_UP, kShift), Nav(VK_DOWN, kCtrl)}},
    {"rxvt modified editing keys", {"\x1b[2^\x1b[3$\x1b[5@"},
     {Nav(VK_INSERT, kCtrl), Nav(VK_DELETE, kShift), Nav(VK_PRIOR, kCtrl | kShift)}},
    {"rxvt Shift+F3 and Shift+F10", {"\x1b[25~\x1b[34~"}, {Fn(VK_F3, kShift), Fn(VK_F10, kShift)}},
    {"rxvt Alt+Up", {"\x1b\x1b[A"}, {Nav(VK_UP, kAlt)}},
    // Linux console.
    {"Linux F1 to F5", {"\x1b[[A\x1b[[E"}, {Fn(VK_F1), Fn(VK_F5)}},
    {"Linux keypad 5", {"\x1b[G"}, {Fn(VK_CLEAR)}},
    // Alt with a key.
    {"Alt+letter", {"\x1b" "a\x1bZ"}, {{'A', 'a', kAlt}, {'Z', 'Z', kShift | kAlt}}},
    {"Alt+Ctrl+letter", {"\x1b\x01"}, {{'A', 1, kCtrl | kAlt}}},
    {"Alt+Backspace", {"\x1b\x7f"}, {{VK_BACK, 8, kAlt}}},
    {"Alt+Escape", {"\x1b\x1b"}, {{VK_ESCAPE, 27, kAlt}}},
    {"Alt+[ alone", {"\x1b["}, {{VK_OEM_4, '[', kAlt}}},
    {"Escape, then Alt+x", {"\x1b\x1bx"}, {{VK_ESCAPE, 27, 0}, {'X', 'x', kAlt}}},
    // Sequences of no key are dropped whole.
    {"unknown number", {"\x1b[99~x"}, {{'X', 'x', 0}}},
    {"device attributes reply", {"\x1b[?1;2cy"}, {{'Y', 'y', 0}}},
    {"mouse report", {"\x1b[<0;10;5Mz"}, {{'Z', 'z', 0}}},
    {"bracketed paste marks", {"\x1b[200~q\x1b[201~"}, {{'Q', 'q', 0}}},
    {"cut off by a control", {"\x1b[1;\x03"}, {{'C', 3, kCtrl}}},
    {"cut off by a new ESC", {"\x1b[1\x1b[B"}, {Nav(VK_DOWN)}},
    // Split over reads.
    {"split after ESC", {"\x1b", "[A"}, {Nav(VK_UP)}},
    {"split inside the parameters", {"\x1b[1;", "5", "A"}, {Nav(VK_UP, kCtrl)}},
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
    EXPECT_EQ(keys, (std::vector<DecodedKey>{{VK_ESCAPE, 27, 0}}));

    // A key that comes after the wait is a key of its own, not Alt+key; and
    // the clock may wrap around in between.
    keys.clear();
    const std::uint32_t near_wrap = 0xFFFFFFF0u;
    decoder.Feed(reinterpret_cast<const unsigned char *>("\x1b"), 1, near_wrap, keys);
    decoder.Feed(reinterpret_cast<const unsigned char *>("x"), 1, near_wrap + 100, keys);
    EXPECT_EQ(keys, (std::vector<DecodedKey>{{VK_ESCAPE, 27, 0}, {'X', 'x', 0}}));
}

}  // namespace
}  // namespace portkit::posix
