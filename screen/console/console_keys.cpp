// The console's key table: extended keys by modifier column, Alt with
// letters and digits as PC scan codes, everything else its character.
#include "screen/console/console_keys.h"

#include "platform/virtual_keys.h"

namespace portkit::screen {

namespace {

enum Column { kPlain, kShifted, kControl, kAlt };

struct ExtendedKey {
    unsigned virtual_key;
    int codes[4];  // by Column; 0 for an empty cell
};

constexpr ExtendedKey kExtendedKeys[] = {
    {vk::kF11, {0x8500, 0x8700, 0x8900, 0x8B00}}, {vk::kF12, {0x8600, 0x8800, 0x8A00, 0x8C00}},
    {vk::kHome, {0x4700, 0x4700, 0x7700, 0}},     {vk::kUp, {0x4800, 0x4800, 0x8D00, 0}},
    {vk::kPrior, {0x4900, 0x4900, 0x8400, 0}},    {vk::kLeft, {0x4B00, 0x4B00, 0x7300, 0}},
    {vk::kClear, {0x4C00, 0x4C00, 0x8F00, 0}},    {vk::kRight, {0x4D00, 0x4D00, 0x7400, 0}},
    {vk::kEnd, {0x4F00, 0x4F00, 0x7500, 0}},      {vk::kDown, {0x5000, 0x5000, 0x9100, 0}},
    {vk::kNext, {0x5100, 0x5100, 0x7600, 0}},     {vk::kInsert, {0x5200, 0x5200, 0x9200, 0}},
    {vk::kDelete, {0x10000, 0x10000, 0x9300, 0}},
};

// PC keyboard scan codes of the letter keys, A to Z.
constexpr unsigned char kLetterScanCodes[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                                0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                                0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

Column ColumnFor(std::uint32_t state) {
    if ((state & (kLeftAlt | kRightAlt)) != 0) return kAlt;
    if ((state & (kShift | kLeftCtrl | kRightCtrl)) == 0) return kPlain;
    if ((state & (kLeftCtrl | kRightCtrl)) != 0) return kControl;
    return kShifted;
}

int TableCode(unsigned virtual_key, Column column) {
    if (virtual_key >= vk::kF1 && virtual_key <= vk::kF10) {
        static constexpr int kFirst[4] = {0x3B00, 0x5400, 0x5E00, 0x6800};
        return kFirst[column] + static_cast<int>(virtual_key - vk::kF1) * 0x100;
    }
    for (const ExtendedKey &key : kExtendedKeys) {
        if (key.virtual_key == virtual_key) return key.codes[column];
    }
    if (column != kAlt) return 0;
    if (virtual_key >= '1' && virtual_key <= '9') return 0x7800 + static_cast<int>(virtual_key - '1') * 0x100;
    if (virtual_key == '0') return 0x8100;
    if (virtual_key >= 'A' && virtual_key <= 'Z') return kLetterScanCodes[virtual_key - 'A'] * 0x100;
    return 0;
}

}  // namespace

int TranslateConsoleKey(unsigned virtual_key, unsigned char character, std::uint32_t control_state) {
    const int code = TableCode(virtual_key, ColumnFor(control_state));
    if (code != 0) return code;
    return character != 0 ? character : -1;
}

}  // namespace portkit::screen
