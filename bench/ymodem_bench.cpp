// YMODEM of a 2 MB random file over a pty pair: ours against lrzsz's sb and
// rb, each timed against sb->rb measured in the same run.
#include "transfer_bench.h"

namespace {

int Send(PortStructure *port, const char *file) { return YmodemSendWithOptions(port, file, nullptr, nullptr, 0); }
int Receive(PortStructure *port) { return YmodemReceiveWithOptions(port, nullptr, nullptr, 0); }

}  // namespace

int main() {
    return portkit::bench::RunTransferBench({"ymodem 2 MB ", 2u << 20, 2, "exec sb -q random.bin", "exec rb -q -y",
                                             "sb->rb", "sb", "rb", Send, Receive, nullptr, ""});
}
