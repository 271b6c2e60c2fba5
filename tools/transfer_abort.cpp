#include "transfer_abort.h"

#include <atomic>
#include <csignal>

#include "portkit/transfer.h"

namespace portkit::tool {
namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t interrupted = 0;
// The handler Ctrl-C had before ours, for the second Ctrl-C.
void (*previous_interrupt_handler)(int) = SIG_DFL;
// The demo's sender may run on a thread of its own while this is set.
std::atomic<Clock::rep> deadline{0};  // in Clock ticks; 0 when there is none

void OnInterrupt(int) {
    interrupted = 1;
    std::signal(SIGINT, previous_interrupt_handler);
}

int AbortCheck(TransferRecord *) {
    if (interrupted != 0) return PORTKIT_XFER_USER_ABORT;
    const Clock::rep limit = deadline.load(std::memory_order_relaxed);
    if (limit != 0 && Clock::now().time_since_epoch().count() >= limit) return PORTKIT_XFER_USER_ABORT;
    return 0;
}

}  // namespace

void AbortTransfersOnInterrupt() {
    previous_interrupt_handler = std::signal(SIGINT, OnInterrupt);
    // A shell that started us in the background had Ctrl-C ignored; so be it.
    if (previous_interrupt_handler == SIG_IGN) std::signal(SIGINT, SIG_IGN);
    if (previous_interrupt_handler == SIG_ERR) previous_interrupt_handler = SIG_DFL;
    SetAbortXferFunctionPtr(AbortCheck);
}

void AbortTransfersAfter(std::chrono::milliseconds limit) {
    const Clock::rep ticks = limit.count() == 0 ? 0 : (Clock::now() + limit).time_since_epoch().count();
    deadline.store(ticks, std::memory_order_relaxed);
    SetAbortXferFunctionPtr(AbortCheck);
}

}  // namespace portkit::tool
