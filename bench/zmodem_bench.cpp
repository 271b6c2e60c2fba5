// ZMODEM of a 20 MB random file over a pty pair: ours against lrzsz's sz and
// rz, each timed against sz->rz measured in the same run. Our sender runs in
// its default windowed mode (an acknowledgement every 1 KB) and streaming,
// which is how sz sends by default.
#include "transfer_bench.h"

namespace {

int Send(PortStructure *port, const char *file) { return ZmodemSendWithOptions(port, file, nullptr, nullptr, 0); }
// Streaming without acknowledgements, listening for the receiver's requests.
int SendStreaming(PortStructure *port, const char *file) {
    return ZmodemSendWithOptions(port, file, nullptr, nullptr, PORTKIT_XFER_ZMODEM_HALF_DUPLEX, 0);
}
int Receive(PortStructure *port) { return ZmodemReceiveWithOptions(port, nullptr, nullptr, 0); }

}  // namespace

int main() {
    return portkit::bench::RunTransferBench({"zmodem 20 MB", 20u << 20, 3, "exec sz -q random.bin", "exec rz -q -y",
                                             "sz->rz", "sz", "rz", Send, Receive, SendStreaming, "streaming"});
}
