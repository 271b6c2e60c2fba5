// Waiting for a CompuServe B+ host to start its transfer, then running it.
#ifndef PORTKIT_TOOLS_BPLUS_BPLUS_HOST_START_H
#define PORTKIT_TOOLS_BPLUS_BPLUS_HOST_START_H

#include <functional>

#include "tools/cli/protocols.h"

namespace portkit::tool {

constexpr int kEnq = 0x05;
constexpr int kDle = 0x10;

struct BPlusChoices {
    int check_method = 1;  // asked for; the host's own request may be smaller
    bool resume = false;
    int existing_files = PORTKIT_EXISTING_SKIP;  // what a download does with a file here already
};

// Runs the transfer the host starts with DLE B, the B having just been read.
int RunBPlusTransfer(PortStructure *port, const BPlusChoices &choices, TransferHooks hooks);

// Reads the port for up to `wait_ms`, answering ENQ, until the host's DLE B:
// 1 then (the B just read), 0 when it did not come in time, or a failure.
// Other bytes go to `other` (may be empty). `stop` is asked between reads.
int WaitForBPlusStart(PortStructure *port, int wait_ms, const std::function<bool()> &stop,
                      const std::function<void(int)> &other);

}  // namespace portkit::tool

#endif
