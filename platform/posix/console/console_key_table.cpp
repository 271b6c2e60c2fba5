#include "platform/posix/console/console_key_table.h"

#include "platform/posix/console/win32_console.h"
#include "platform/virtual_keys.h"

namespace portkit::posix {

using namespace win32_imitation;

namespace {

constexpr unsigned char kEscape = 0x1B, kDelete = 0x7F;

// A key without a character: navigation keys are the console's enhanced
// keys, the others not.
constexpr DecodedKey Navigation(WORD virtual_key) { return {virtual_key, 0, ENHANCED_KEY}; }
constexpr DecodedKey Function(WORD virtual_key) { return {virtual_key, 0, 0}; }

// The punctuation of a US keyboard: its key, and whether Shift gives it.
struct PunctuationKey {
    char character;
    WORD virtual_key;
    bool shifted;
};

constexpr PunctuationKey kPunctuation[] = {
    {' ', vk::kSpace, false},
    {'!', '1', true},
    {'"', vk::kOem7, true},
    {'#', '3', true},
    {'$', '4', true},
    {'%', '5', true},
    {'&', '7', true},
    {'\'', vk::kOem7, false},
    {'(', '9', true},
    {')', '0', true},
    {'*', '8', true},
    {'+', vk::kOemPlus, true},
    {',', vk::kOemComma, false},
    {'-', vk::kOemMinus, false},
    {'.', vk::kOemPeriod, false},
    {'/', vk::kOem2, false},
    {':', vk::kOem1, true},
    {';', vk::kOem1, false},
    {'<', vk::kOemComma, true},
    {'=', vk::kOemPlus, false},
    {'>', vk::kOemPeriod, true},
    {'?', vk::kOem2, true},
    {'@', '2', true},
    {'[', vk::kOem4, false},
    {'\\', vk::kOem5, false},
    {']', vk::kOem6, false},
    {'^', '6', true},
    {'_', vk::kOemMinus, true},
    {'`', vk::kOem3, false},
    {'{', vk::kOem4, true},
    {'|', vk::kOem5, true},
    {'}', vk::kOem6, true},
    {'~', vk::kOem3, true},
};

// Ctrl with a key that is not a letter: Ctrl+@ (NUL), Ctrl+\, Ctrl+],
// Ctrl+^ and Ctrl+_.
DecodedKey ControlSymbol(unsigned char byte) {
    switch (byte) {
        case 0x00:
            return {'2', byte, LEFT_CTRL_PRESSED | SHIFT_PRESSED};
        case 0x1C:
            return {vk::kOem5, byte, LEFT_CTRL_PRESSED};
        case 0x1D:
            return {vk::kOem6, byte, LEFT_CTRL_PRESSED};
        case 0x1E:
            return {'6', byte, LEFT_CTRL_PRESSED | SHIFT_PRESSED};
        default:
            return {vk::kOemMinus, byte, LEFT_CTRL_PRESSED | SHIFT_PRESSED};
    }
}

struct NumberedKey {
    int number;
    DecodedKey key;
};

constexpr NumberedKey kNumberedKeys[] = {
    {1, Navigation(vk::kHome)},        {2, Navigation(vk::kInsert)},
    {3, Navigation(vk::kDelete)},      {4, Navigation(vk::kEnd)},
    {5, Navigation(vk::kPrior)},       {6, Navigation(vk::kNext)},
    {7, Navigation(vk::kHome)},        {8, Navigation(vk::kEnd)},
    {11, Function(vk::kF1)},           {12, Function(vk::kF2)},
    {13, Function(vk::kF3)},           {14, Function(vk::kF4)},
    {15, Function(vk::kF5)},           {17, Function(vk::kF6)},
    {18, Function(vk::kF7)},           {19, Function(vk::kF8)},
    {20, Function(vk::kF9)},           {21, Function(vk::kF10)},
    {23, Function(vk::kF11)},          {24, Function(vk::kF12)},
    {25, {vk::kF3, 0, SHIFT_PRESSED}}, {26, {vk::kF4, 0, SHIFT_PRESSED}},
    {28, {vk::kF5, 0, SHIFT_PRESSED}}, {29, {vk::kF6, 0, SHIFT_PRESSED}},
    {31, {vk::kF7, 0, SHIFT_PRESSED}}, {32, {vk::kF8, 0, SHIFT_PRESSED}},
    {33, {vk::kF9, 0, SHIFT_PRESSED}}, {34, {vk::kF10, 0, SHIFT_PRESSED}},
};

}  // namespace

DecodedKey KeyOfByte(unsigned char byte) {
    if (byte >= 'a' && byte <= 'z') return {static_cast<WORD>(byte - 'a' + 'A'), byte, 0};
    if (byte >= 'A' && byte <= 'Z') return {byte, byte, SHIFT_PRESSED};
    if (byte >= '0' && byte <= '9') return {byte, byte, 0};
    switch (byte) {
        case '\t':
            return {vk::kTab, byte, 0};
        case '\r':
            return {vk::kReturn, byte, 0};
        case kEscape:
            return {vk::kEscape, byte, 0};
        // Backspace keys send DEL or BS; BS is also Ctrl+H, but Backspace is
        // the likelier key.
        case '\b':
        case kDelete:
            return {vk::kBack, '\b', 0};
        default:
            break;
    }
    if (byte >= 0x01 && byte <= 0x1A) return {static_cast<WORD>(byte - 1 + 'A'), byte, LEFT_CTRL_PRESSED};
    if (byte < 0x20) return ControlSymbol(byte);
    for (const PunctuationKey &key : kPunctuation) {
        if (static_cast<unsigned char>(key.character) == byte) {
            return {key.virtual_key, byte, key.shifted ? SHIFT_PRESSED : 0u};
        }
    }
    return {0, byte, 0};  // bytes of other character sets
}

bool KeyOfFinal(unsigned char final, DecodedKey *key) {
    switch (final) {
        case 'A':
            *key = Navigation(vk::kUp);
            return true;
        case 'B':
            *key = Navigation(vk::kDown);
            return true;
        case 'C':
            *key = Navigation(vk::kRight);
            return true;
        case 'D':
            *key = Navigation(vk::kLeft);
            return true;
        case 'H':
            *key = Navigation(vk::kHome);
            return true;
        case 'F':
            *key = Navigation(vk::kEnd);
            return true;
        case 'E':
        case 'G':
            *key = Function(vk::kClear);
            return true;
        case 'P':
            *key = Function(vk::kF1);
            return true;
        case 'Q':
            *key = Function(vk::kF2);
            return true;
        case 'R':
            *key = Function(vk::kF3);
            return true;
        case 'S':
            *key = Function(vk::kF4);
            return true;
        case 'Z':
            *key = {vk::kTab, '\t', SHIFT_PRESSED};
            return true;
        default:
            return false;
    }
}

bool KeyOfNumber(int number, DecodedKey *key) {
    for (const NumberedKey &entry : kNumberedKeys) {
        if (entry.number == number) {
            *key = entry.key;
            return true;
        }
    }
    return false;
}

bool KeyOfKeypad(unsigned char final, DecodedKey *key) {
    if (final == 'M') {
        *key = {vk::kReturn, '\r', ENHANCED_KEY};
        return true;
    }
    if (final < 'j' || final > 'y') return false;
    // SS3 j to y: * + , - . / and the digits, in the order of the keypad's
    // virtual keys.
    static constexpr char kCharacters[] = "*+,-./0123456789";
    static constexpr WORD kOperators[] = {vk::kMultiply, vk::kAdd,     vk::kSeparator,
                                          vk::kSubtract, vk::kDecimal, vk::kDivide};
    const int index = final - 'j';
    const WORD virtual_key = index < 6 ? kOperators[index] : static_cast<WORD>(vk::kNumpad0 + index - 6);
    *key = {virtual_key, static_cast<unsigned char>(kCharacters[index]), final == 'o' ? ENHANCED_KEY : 0u};
    return true;
}

std::uint32_t ModifierState(int parameter) {
    if (parameter < 2) return 0;
    const int bits = parameter - 1;
    std::uint32_t state = 0;
    if ((bits & 1) != 0) state |= SHIFT_PRESSED;
    if ((bits & (2 | 8)) != 0) state |= LEFT_ALT_PRESSED;
    if ((bits & 4) != 0) state |= LEFT_CTRL_PRESSED;
    return state;
}

std::uint32_t RxvtModifierState(unsigned char final) {
    switch (final) {
        case '$':
            return SHIFT_PRESSED;
        case '^':
            return LEFT_CTRL_PRESSED;
        case '@':
            return LEFT_CTRL_PRESSED | SHIFT_PRESSED;
        default:
            return 0;
    }
}

}  // namespace portkit::posix
