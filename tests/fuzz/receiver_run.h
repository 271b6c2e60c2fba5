// One run of a protocol receiver on a fuzz input: the first byte picks the
// receiver's options, the rest is what arrives on the line. Files land in
// the scratch directory and are removed after the run.
#ifndef PORTKIT_TESTS_FUZZ_RECEIVER_RUN_H
#define PORTKIT_TESTS_FUZZ_RECEIVER_RUN_H

#include <cstddef>
#include <cstdint>

#include "portkit/transfer.h"

namespace portkit::fuzz {

// Runs one transfer on `port`; `options` is the input's first byte.
using Receiver = void (*)(PortStructure *port, std::uint8_t options);

void RunReceiver(const std::uint8_t *data, std::size_t size, Receiver receiver);

// The message hook the harnesses pass: the engines format every line, which
// is worth running, but nobody reads them.
void IgnoreMessage(const char *line, TransferRecord *record);

// `code` when `bit` of the option byte is set, else the option that does
// nothing, so one call covers every combination.
inline int OptionIf(std::uint8_t options, int bit, int code) {
    return (options & bit) != 0 ? code : PORTKIT_XFER_NO_OPTION;
}

}  // namespace portkit::fuzz

#endif
