// Waiting for a CompuServe B+ host to start its transfer, then running it.
#ifndef PORTKIT_TOOLS_BPLUS_HOST_START_H
#define PORTKIT_TOOLS_BPLUS_HOST_START_H

#include <functional>

#include "protocols.h"

namespace portkit::tool {

constexpr int kEnq = 0x05;
constexpr int kDle = 0x10;

struct BPlusChoices {
    int check_method = 1;  // asked for; the host's own request may be smaller
    bool resume = false;
};

// Runs the transfer the host starts with DLE B, the B having just been read.
int RunBPlusTransfer(PortStructure *port, const BPlusChoices &choices, TransferHooks hooks);

// Answers ENQ and waits up to `wait_ms` for the host's DLE B, then runs the
// transfer. `stop` is asked between reads. The library's result, or -608
// when the host started nothing in time.
int WaitForBPlusHost(PortStructure *port, const BPlusChoices &choices, TransferHooks hooks, int wait_ms,
                     const std::function<bool()> &stop);

}  // namespace portkit::tool

#endif
