#include "platform/posix/console_key_table.h"

#include "platform/posix/win32_console.h"

namespace portkit::posix {

using namespace win32;

namespace {

constexpr unsigned char kEscape = 0x1B, kDelete = 0x7F;

// A key without a character: navigation keys are the console's enhanced
// keys, the others not.
constexpr DecodedKey Navigation(WORD vk) { return {vk, 0, ENHANCED_KEY}; }
constexpr DecodedKey Function(WORD vk) { return {vk, 0, 0}; }

// The punctuation of a US keyboard: its key, and whether Shift gives it.
struct PunctuationKey {
    char character;
    WORD virtual_key;
    bool shifted;
};

constexpr PunctuationKey kPunctuation[] = {
    {' ', VK_SPACE, false},     {'!', '1', true},          {'"', VK_OEM_7, true},     {'#', '3', true},
    {'$', '4', true},           {'%', '5', true},          {'&', '7', true},          {'\'', VK_OEM_7, false},
    {'(', '9', true},           {')', '0', true},          {'*', '8', true},          {'+', VK_OEM_PLUS, true},
    {',', VK_OEM_COMMA, false}, {'-', VK_OEM_MINUS, false}, {'.', VK_OEM_PERIOD, false}, {'/', VK_OEM_2, false},
    {':', VK_OEM_1, true},      {';', VK_OEM_1, false},    {'<', VK_OEM_COMMA, true}, {'=', VK_OEM_PLUS, false},
    {'>', VK_OEM_PERIOD, true}, {'?', VK_OEM_2, true},     {'@', '2', true},          {'[', VK_OEM_4, false},
    {'\\', VK_OEM_5, false},    {']', VK_OEM_6, false},    {'^', '6', true},          {'_', VK_OEM_MINUS, true},
    {'`', VK_OEM_3, false},     {'{', VK_OEM_4, true},     {'|', VK_OEM_5, true},     {'}', VK_OEM_6, true},
    {'~', VK_OEM_3, true},
};

// Ctrl with a key that is not a letter: Ctrl+@ (NUL), Ctrl+\, Ctrl+],
// Ctrl+^ and Ctrl+_.
DecodedKey ControlSymbol(unsigned char byte) {
    switch (byte) {
    case 0x00: return {'2', byte, LEFT_CTRL_PRESSED | SHIFT_PRESSED};
    case 0x1C: return {VK_OEM_5, byte, LEFT_CTRL_PRESSED};
    case 0x1D: return {VK_OEM_6, byte, LEFT_CTRL_PRESSED};
    case 0x1E: return {'6', byte, LEFT_CTRL_PRESSED | SHIFT_PRESSED};
    default: return {VK_OEM_MINUS, byte, LEFT_CTRL_PRESSED | SHIFT_PRESSED};
    }
}

struct NumberedKey {
    int number;
    DecodedKey key;
};

constexpr NumberedKey kNumberedKeys[] = {
    {1, Navigation(VK_HOME)},          {2, Navigation(VK_INSERT)},        {3, Navigation(VK_DELETE)},
    {4, Navigation(VK_END)},           {5, Navigation(VK_PRIOR)},         {6, Navigation(VK_NEXT)},
    {7, Navigation(VK_HOME)},          {8, Navigation(VK_END)},           {11, Function(VK_F1)},
    {12, Function(VK_F2)},             {13, Function(VK_F3)},             {14, Function(VK_F4)},
    {15, Function(VK_F5)},             {17, Function(VK_F6)},             {18, Function(VK_F7)},
    {19, Function(VK_F8)},             {20, Function(VK_F9)},             {21, Function(VK_F10)},
    {23, Function(VK_F11)},            {24, Function(VK_F12)},            {25, {VK_F3, 0, SHIFT_PRESSED}},
    {26, {VK_F4, 0, SHIFT_PRESSED}},   {28, {VK_F5, 0, SHIFT_PRESSED}},   {29, {VK_F6, 0, SHIFT_PRESSED}},
    {31, {VK_F7, 0, SHIFT_PRESSED}},   {32, {VK_F8, 0, SHIFT_PRESSED}},   {33, {VK_F9, 0, SHIFT_PRESSED}},
    {34, {VK_F10, 0, SHIFT_PRESSED}},
};

}  // namespace

DecodedKey KeyOfByte(unsigned char byte) {
    if (byte >= 'a' && byte <= 'z') return {static_cast<WORD>(byte - 'a' + 'A'), byte, 0};
    if (byte >= 'A' && byte <= 'Z') return {byte, byte, SHIFT_PRESSED};
    if (byte >= '0' && byte <= '9') return {byte, byte, 0};
    switch (byte) {
    case '\t': return {VK_TAB, byte, 0};
    case '\r': return {VK_RETURN, byte, 0};
    case kEscape: return {VK_ESCAPE, byte, 0};
    // Backspace keys send DEL or BS; BS is also Ctrl+H, but Backspace is
    // the likelier key.
    case '\b':
    case kDelete: return {VK_BACK, '\b', 0};
    default: break;
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
    case 'A': *key = Navigation(VK_UP); return true;
    case 'B': *key = Navigation(VK_DOWN); return true;
    case 'C': *key = Navigation(VK_RIGHT); return true;
    case 'D': *key = Navigation(VK_LEFT); return true;
    case 'H': *key = Navigation(VK_HOME); return true;
    case 'F': *key = Navigation(VK_END); return true;
    case 'E':
    case 'G': *key = Function(VK_CLEAR); return true;
    case 'P': *key = Function(VK_F1); return true;
    case 'Q': *key = Function(VK_F2); return true;
    case 'R': *key = Function(VK_F3); return true;
    case 'S': *key = Function(VK_F4); return true;
    case 'Z': *key = {VK_TAB, '\t', SHIFT_PRESSED}; return true;
    default: return false;
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
        *key = {VK_RETURN, '\r', ENHANCED_KEY};
        return true;
    }
    if (final < 'j' || final > 'y') return false;
    // SS3 j to y: * + , - . / and the digits, in the order of the keypad's
    // virtual keys.
    static constexpr char kCharacters[] = "*+,-./0123456789";
    static constexpr WORD kOperators[] = {VK_MULTIPLY, VK_ADD, VK_SEPARATOR, VK_SUBTRACT, VK_DECIMAL, VK_DIVIDE};
    const int index = final - 'j';
    const WORD vk = index < 6 ? kOperators[index] : static_cast<WORD>(VK_NUMPAD0 + index - 6);
    *key = {vk, static_cast<unsigned char>(kCharacters[index]), final == 'o' ? ENHANCED_KEY : 0u};
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
    case '$': return SHIFT_PRESSED;
    case '^': return LEFT_CTRL_PRESSED;
    case '@': return LEFT_CTRL_PRESSED | SHIFT_PRESSED;
    default: return 0;
    }
}

}  // namespace portkit::posix
