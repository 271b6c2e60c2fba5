#include "modem_abort.h"

#include <csignal>

#include "portkit/port.h"

namespace portkit::tool {
namespace {

volatile std::sig_atomic_t interrupted = 0;
// The handler Ctrl-C had before ours, for the second Ctrl-C.
void (*previous_interrupt_handler)(int) = SIG_DFL;

void OnInterrupt(int) {
    interrupted = 1;
    std::signal(SIGINT, previous_interrupt_handler);
}

// Called by the library before every character a modem wait takes.
int AbortCheck(PortStructure *) { return interrupted != 0 ? PORTKIT_USER_ABORT : 0; }

}  // namespace

void AbortModemWaitsOnInterrupt() {
    previous_interrupt_handler = std::signal(SIGINT, OnInterrupt);
    // A shell that started us in the background had Ctrl-C ignored; so be it.
    if (previous_interrupt_handler == SIG_IGN) std::signal(SIGINT, SIG_IGN);
    if (previous_interrupt_handler == SIG_ERR) previous_interrupt_handler = SIG_DFL;
    SetAbortModemFunctionPtr(AbortCheck);
}

}  // namespace portkit::tool
