#include "transfer_abort.h"

#include <csignal>
#include <optional>

#include "portkit/transfer.h"

namespace portkit::tool {
namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t interrupted = 0;
std::optional<Clock::time_point> deadline;

void OnInterrupt(int) {
    interrupted = 1;
    std::signal(SIGINT, SIG_DFL);
}

int AbortCheck(TransferRecord *) {
    if (interrupted != 0) return PORTKIT_XFER_USER_ABORT;
    if (deadline && Clock::now() >= *deadline) return PORTKIT_XFER_USER_ABORT;
    return 0;
}

}  // namespace

void AbortTransfersOnInterrupt() {
    // A shell that started us in the background had Ctrl-C ignored; so be it.
    if (std::signal(SIGINT, OnInterrupt) == SIG_IGN) std::signal(SIGINT, SIG_IGN);
    SetAbortXferFunctionPtr(AbortCheck);
}

void AbortTransfersAfter(std::chrono::milliseconds limit) {
    if (limit.count() == 0) {
        deadline.reset();
    } else {
        deadline = Clock::now() + limit;
    }
    SetAbortXferFunctionPtr(AbortCheck);
}

}  // namespace portkit::tool
