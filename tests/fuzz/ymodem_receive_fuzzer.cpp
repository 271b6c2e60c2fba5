// The YMODEM batch receiver on arbitrary input. Option byte: bit 0 keeps
// the sender's paths, bit 1 asks for YMODEM-G (streaming).
#include "receiver_run.h"

namespace {

using portkit::fuzz::IgnoreMessage;
using portkit::fuzz::OptionIf;

void Receive(PortStructure *port, std::uint8_t options) {
    YmodemReceiveWithOptions(port, IgnoreMessage, nullptr, OptionIf(options, 1, PORTKIT_XFER_KEEP_PATHS),
                             OptionIf(options, 2, PORTKIT_XFER_STREAMING), 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    portkit::fuzz::RunReceiver(data, size, Receive);
    return 0;
}
