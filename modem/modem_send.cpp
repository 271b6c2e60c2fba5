// Sending a command line, and the wait after it that the settings ask for.
#include <climits>

#include "modem/modem_internal.h"

namespace portkit::modem {
namespace {

// How long the transmit queue may sit without a byte leaving before the
// drain wait gives up: long enough for a slow line or a short XOFF, short
// enough that a line held for good does not hang the caller.
constexpr int kDrainStallLimitMs = 2000;
constexpr int kAfterReplyMs = 500;

int Fail(PortStructure *port, int code) {
    port->status = code;
    return code;
}

// Waits until the transmit queue is empty or the driver cannot tell. While
// bytes keep leaving the wait goes on; when none leave for the stall limit
// it gives up with a time-out.
int WaitForDrain(PortStructure *port) {
    const int32_t status_before = port->status;
    int used = port->functions.SpaceUsedInTXBuffer(port);
    int lowest = used;
    int32_t stall_deadline = DeadlineAfter(kDrainStallLimitMs);
    while (used > 0) {
        const int idle_result = RunIdleHook(port);
        if (idle_result < 0) return Fail(port, idle_result);
        used = port->functions.SpaceUsedInTXBuffer(port);
        if (used < lowest) {
            lowest = used;
            stall_deadline = DeadlineAfter(kDrainStallLimitMs);
        } else if (used > 0 && DeadlineReached(stall_deadline)) {
            return Fail(port, PORTKIT_TIME_OUT);
        }
    }
    // A driver without a queue count leaves its refusal in the status; the
    // command itself went out, so the status it had stays.
    if (used == PORTKIT_NOT_SUPPORTED) port->status = status_before;
    return PORTKIT_SUCCESS;
}

// Reads reply lines until one equals `reply`, within `budget` milliseconds.
int AwaitReply(PortStructure *port, int budget, const char *reply) {
    char line[kReplyLineSize];
    int left = budget;
    for (;;) {
        const int result = HMInputLine(port, left, line, kReplyLineSize);
        if (result < 0) return result;
        if (result == 0) return Fail(port, PORTKIT_MODEM_NO_OK);
        left = result;
        if (std::strcmp(line, reply) == 0) return PortKillTime(port, kAfterReplyMs);
    }
}

}  // namespace
}  // namespace portkit::modem

extern "C" {

// A failure left in the status from before would make the write hold back
// the terminator, and the modem would run this command and the next together
// as one garbled line; so the write starts from a clear status, and the
// earlier failure is put back once the command is out.
PORTKIT_API int HMSendStringNoWait(PortStructure *port, const char *string, int terminator) {
    if (string == nullptr) return PORTKIT_INVALID_PARAMETER;
    const int32_t earlier_status = port->status;
    port->status = PORTKIT_SUCCESS;
    const int result = WriteString(port, string, terminator);
    if (port->status < 0) return port->status;
    const int drained = portkit::modem::WaitForDrain(port);
    if (drained < 0) return drained;
    port->status = earlier_status;
    return result;
}

PORTKIT_API int HMSendString(PortStructure *port, const char *command) {
    const int result = HMSendStringNoWait(port, command, portkit::modem::kCR);
    if (result < 0) return result;
    const DSInstanceData *settings = portkit::SettingsOf(port);
    if (settings == nullptr || settings->modem_wait == 0) return result;
    if (settings->modem_wait > 0) return PortKillTime(port, settings->modem_wait);
    if (settings->modem_reply == nullptr) return result;
    const int budget = settings->modem_wait == INT_MIN ? INT_MAX : -settings->modem_wait;
    return portkit::modem::AwaitReply(port, budget, settings->modem_reply);
}

}  // extern "C"
