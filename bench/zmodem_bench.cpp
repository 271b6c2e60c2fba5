// ZMODEM against lrzsz's sz and rz, each pairing timed against sz->rz in the
// same run: 20 MB over a pty pair, and 5 MB over a line that a relay delays
// by 25 ms each way (a link through a distant server). On the pty our sender
// runs with the library's defaults (a window of 4096 bytes) and streaming as
// the tool does; on the long link it streams, as sz does by default.
#include <string>

#include "transfer_bench.h"

namespace {

int Send(PortStructure *port, const char *file) { return ZmodemSendWithOptions(port, file, nullptr, nullptr, 0); }
// Streaming when the receiver can take it, listening for its requests.
int SendStreaming(PortStructure *port, const char *file) {
    return ZmodemSendWithOptions(port, file, nullptr, nullptr, PORTKIT_XFER_ZMODEM_STREAM, 0);
}
int Receive(PortStructure *port) { return ZmodemReceiveWithOptions(port, nullptr, nullptr, 0); }

}  // namespace

// An argument, "pty" or "link", runs that half alone.
int main(int argc, char **argv) {
    using portkit::bench::RunTransferBench;
    const std::string only = argc > 1 ? argv[1] : "";
    int failures = 0;
    if (only.empty() || only == "pty") {
        failures |= RunTransferBench({"zmodem 20 MB", 20u << 20, 3, "exec sz -q random.bin", "exec rz -q -y", "sz->rz",
                                      "sz", "rz", Send, Receive, SendStreaming, "streaming"});
    }
    if (only.empty() || only == "link") {
        portkit::bench::TransferBench long_link{"zmodem 5 MB 25 ms", 5u << 20, 3,       "exec sz -q random.bin",
                                                "exec rz -q -y",     "sz->rz", "sz",    "rz",
                                                SendStreaming,       Receive,  nullptr, ""};
        long_link.link_delay_ms = 25;
        failures |= RunTransferBench(long_link);
    }
    return failures;
}
