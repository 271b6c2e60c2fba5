#include "tools/cli/interrupt.h"

#include <csignal>

namespace portkit::tool {
namespace {

volatile std::sig_atomic_t interrupted = 0;
// The handler Ctrl-C had before ours, for the second Ctrl-C.
void (*previous_interrupt_handler)(int) = SIG_DFL;

void OnInterrupt(int) {
    interrupted = 1;
    std::signal(SIGINT, previous_interrupt_handler);
}

}  // namespace

void CatchInterrupt() {
    previous_interrupt_handler = std::signal(SIGINT, OnInterrupt);
    if (previous_interrupt_handler == SIG_IGN) std::signal(SIGINT, SIG_IGN);
    if (previous_interrupt_handler == SIG_ERR) previous_interrupt_handler = SIG_DFL;
}

bool Interrupted() { return interrupted != 0; }

}  // namespace portkit::tool
