// The option block of the generic transfer calls: one slot (or a code and
// argument pair) per option, so that the block forwards as an option list.
#include "transfer/option_block.h"

namespace portkit::transfer {
namespace {

struct SlotOfCode {
    int code;
    int slot;
    bool argument;
};

// The file-management options share one slot: only the last one given counts.
constexpr SlotOfCode kSlots[] = {
    {PORTKIT_XFER_KERMIT_EIGHTH_BIT, 0, false},
    {PORTKIT_XFER_KERMIT_SEVEN_BIT, 1, false},
    {PORTKIT_XFER_KERMIT_NO_REPEAT, 2, false},
    {PORTKIT_XFER_KEEP_PATHS, 3, false},
    {PORTKIT_XFER_CHECK_CARRIER, 4, false},
    {PORTKIT_XFER_ABORT_KEY, 5, true},
    {PORTKIT_XFER_CHECKSUM, 7, false},
    {PORTKIT_XFER_RESPONSE_TIMEOUT, 8, true},
    {PORTKIT_XFER_DESCEND, 10, false},
    {PORTKIT_XFER_STREAMING, 11, false},
    {PORTKIT_XFER_ASCII_TIMEOUT, 12, true},
    {PORTKIT_XFER_ZMODEM_RESUME, 14, false},
    {PORTKIT_XFER_ZMODEM_BLOCK_DURING_WRITE, 15, false},
    {PORTKIT_XFER_ZMODEM_HALF_DUPLEX, 16, false},
    {PORTKIT_XFER_ZMODEM_NEWER_OR_LONGER, 17, false},
    {PORTKIT_XFER_ZMODEM_APPEND, 17, false},
    {PORTKIT_XFER_ZMODEM_REPLACE, 17, false},
    {PORTKIT_XFER_ZMODEM_DIFFERENT, 17, false},
    {PORTKIT_XFER_ZMODEM_PROTECT, 17, false},
    {PORTKIT_XFER_ZMODEM_NEWER, 17, false},
    {PORTKIT_XFER_BPLUS_1024, 18, true},
    {PORTKIT_XFER_BPLUS_1025, 20, false},
    {PORTKIT_XFER_BPLUS_1026, 21, false},
    {PORTKIT_XFER_STATUS_WINDOW, 22, true},
    {PORTKIT_XFER_ZMODEM_RETRY_LIMIT, 24, true},
    {PORTKIT_XFER_ZMODEM_WINDOW, 26, true},
};

const SlotOfCode *SlotOf(int32_t code) {
    for (const SlotOfCode &entry : kSlots) {
        if (entry.code == code) return &entry;
    }
    return nullptr;
}

}  // namespace

int32_t *CreateOptionBlock(const int32_t *option_list) {
    auto *block = static_cast<int32_t *>(AllocateXferBuffer(kOptionBlockSlots * sizeof(int32_t)));
    if (block == nullptr) return nullptr;
    for (int i = 0; i < kOptionBlockSlots; ++i) block[i] = PORTKIT_XFER_NO_OPTION;
    if (option_list == nullptr) return block;
    for (const int32_t *element = option_list; *element != 0 && *element != -1; ++element) {
        const SlotOfCode *entry = SlotOf(*element);
        if (entry == nullptr) continue;
        block[entry->slot] = *element;
        // The argument is the next element whatever its value, as in any option list.
        if (entry->argument) block[entry->slot + 1] = *++element;
    }
    return block;
}

}  // namespace portkit::transfer
