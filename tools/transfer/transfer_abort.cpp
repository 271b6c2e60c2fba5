#include "tools/transfer/transfer_abort.h"

#include <atomic>

#include "portkit/transfer.h"
#include "tools/cli/interrupt.h"

namespace portkit::tool {
namespace {

using Clock = std::chrono::steady_clock;

// The demo's sender may run on a thread of its own while this is set.
std::atomic<Clock::rep> deadline{0};  // in Clock ticks; 0 when there is none

int AbortCheck(TransferRecord *) {
    if (Interrupted()) return PORTKIT_XFER_USER_ABORT;
    const Clock::rep limit = deadline.load(std::memory_order_relaxed);
    if (limit != 0 && Clock::now().time_since_epoch().count() >= limit) return PORTKIT_XFER_USER_ABORT;
    return 0;
}

}  // namespace

void AbortTransfersOnInterrupt() {
    CatchInterrupt();
    SetAbortXferFunctionPtr(AbortCheck);
}

void AbortTransfersAfter(std::chrono::milliseconds limit) {
    const Clock::rep ticks = limit.count() == 0 ? 0 : (Clock::now() + limit).time_since_epoch().count();
    deadline.store(ticks, std::memory_order_relaxed);
    SetAbortXferFunctionPtr(AbortCheck);
}

}  // namespace portkit::tool
