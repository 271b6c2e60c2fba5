// Reading one reply line from the modem within a time budget.
#include "modem/modem_internal.h"

namespace portkit::modem {
namespace {

constexpr int kLF = '\n';

int TimeLeft(int32_t deadline) {
    const auto left = static_cast<int32_t>(static_cast<uint32_t>(deadline) - static_cast<uint32_t>(ElapsedTime()));
    return left > 0 ? left : 0;
}

}  // namespace
}  // namespace portkit::modem

extern "C" {

// CR ends the line and LF is dropped, so CR LF, LF CR and bare CR lines all
// read the same; a blank line between two replies reads as an empty line.
PORTKIT_API int HMInputLine(PortStructure *port, int timeout, char *buffer, int size) {
    if (buffer == nullptr || size <= 1) return PORTKIT_INVALID_PARAMETER;
    const int32_t deadline = portkit::DeadlineAfter(timeout);
    const DSInstanceData *settings = portkit::SettingsOf(port);
    const AbortModemFunction abort_hook = settings != nullptr ? settings->abort_modem_function : nullptr;
    const ModemEchoFunction echo = settings != nullptr ? settings->modem_echo_function : nullptr;
    int stored = 0;
    int failure = 0;
    for (;;) {
        if (abort_hook != nullptr) {
            failure = abort_hook(port);
            if (failure < 0) break;
        }
        const int c = port->functions.ReadChar(port);
        if (c >= 0) {
            if (echo != nullptr) echo(c);
            if (c == portkit::modem::kCR) break;
            if (c == portkit::modem::kLF) continue;
            buffer[stored++] = static_cast<char>(c);
            if (stored == size - 1) break;
            continue;
        }
        if (c != PORTKIT_BUFFER_EMPTY) {
            failure = c;
            break;
        }
        failure = portkit::RunIdleHook(port);
        if (failure < 0) break;
        if (portkit::DeadlineReached(deadline)) break;
    }
    buffer[stored] = '\0';
    if (failure < 0) {
        port->status = failure;
        return failure;
    }
    return portkit::modem::TimeLeft(deadline);
}

}  // extern "C"
