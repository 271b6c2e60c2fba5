// The Kermit receiver on arbitrary input. Option byte: bit 0 seven bits,
// bit 1 no repeat compression, bit 2 keeps the sender's paths, bit 3 long
// packets and windows.
#include "receiver_run.h"

namespace {

using portkit::fuzz::IgnoreMessage;
using portkit::fuzz::OptionIf;

void Receive(PortStructure *port, std::uint8_t options) {
    KermitReceiveWithOptions(port, IgnoreMessage, nullptr, OptionIf(options, 1, PORTKIT_XFER_KERMIT_SEVEN_BIT),
                             OptionIf(options, 2, PORTKIT_XFER_KERMIT_NO_REPEAT),
                             OptionIf(options, 4, PORTKIT_XFER_KEEP_PATHS),
                             OptionIf(options, 8, PORTKIT_XFER_KERMIT_LONG_PACKETS_AND_WINDOWS), 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    portkit::fuzz::RunReceiver(data, size, Receive);
    return 0;
}
