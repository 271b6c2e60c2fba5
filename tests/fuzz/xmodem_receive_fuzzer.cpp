// The XMODEM receivers on arbitrary input. Option byte, low two bits:
// 0 CRC-16, 1 checksum, 2 1K, 3 1K-G (streaming).
#include "receiver_run.h"

namespace {

using portkit::fuzz::IgnoreMessage;

constexpr const char *kFileName = "received.bin";

void Receive(PortStructure *port, std::uint8_t options) {
    switch (options & 3) {
        case 0:
            XmodemReceiveWithOptions(port, kFileName, IgnoreMessage, nullptr, 0);
            break;
        case 1:
            XmodemReceiveWithOptions(port, kFileName, IgnoreMessage, nullptr, PORTKIT_XFER_CHECKSUM, 0);
            break;
        case 2:
            Xmodem1KReceiveWithOptions(port, kFileName, IgnoreMessage, nullptr, 0);
            break;
        default:
            Xmodem1KReceiveWithOptions(port, kFileName, IgnoreMessage, nullptr, PORTKIT_XFER_STREAMING, 0);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    portkit::fuzz::RunReceiver(data, size, Receive);
    return 0;
}
