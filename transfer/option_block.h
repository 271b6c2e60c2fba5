// The option block the generic transfer calls forward as an option list.
#ifndef PORTKIT_TRANSFER_OPTION_BLOCK_H
#define PORTKIT_TRANSFER_OPTION_BLOCK_H

#include <cstdint>

#include "portkit/transfer.h"

namespace portkit::transfer {

constexpr int kOptionBlockSlots = PORTKIT_OPTION_BLOCK_SLOTS;

// Every slot 1001 (no operation) unless the list sets it; null without memory.
int32_t *CreateOptionBlock(const int32_t *option_list);

}  // namespace portkit::transfer

#endif
