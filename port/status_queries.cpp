// Queries on a port's state: whether a queue is full or empty (from its
// count), and each modem and line status bit on its own.
#include "port/port_internal.h"

namespace {

int IsZero(int answer) { return answer < 0 ? answer : (answer == 0 ? 1 : 0); }

// IsZero of a queue count; a driver that cannot count the queue gives
// `uncounted` instead, and leaves the port's status as it was.
int IsZeroCount(PortStructure *port, int (*count)(PortStructure *), int uncounted) {
    const int saved_status = port->status;
    const int answer = count(port);
    if (answer == PORTKIT_NOT_SUPPORTED) {
        port->status = saved_status;
        return uncounted;
    }
    return IsZero(answer);
}

// A result of 0 or below passes through; otherwise the bit's own value.
int MaskedBit(int answer, int bit) { return answer <= 0 ? answer : (answer & bit); }

}  // namespace

extern "C" {

PORTKIT_API int IsTXFull(PortStructure *port) { return IsZero(port->functions.SpaceFreeInTXBuffer(port)); }
PORTKIT_API int IsRXEmpty(PortStructure *port) { return IsZero(port->functions.SpaceUsedInRXBuffer(port)); }

// A driver that cannot count its transmit queue is taken as drained, so
// "wait until sent" loops end instead of failing.
PORTKIT_API int IsTXEmpty(PortStructure *port) { return IsZeroCount(port, port->functions.SpaceUsedInTXBuffer, 1); }

// Likewise a receive queue that cannot be counted is never reported full.
PORTKIT_API int IsRXFull(PortStructure *port) { return IsZeroCount(port, port->functions.SpaceFreeInRXBuffer, 0); }

PORTKIT_API int GetCts(PortStructure *port) { return MaskedBit(port->functions.GetModemStatus(port), PORTKIT_MS_CTS); }
PORTKIT_API int GetDsr(PortStructure *port) { return MaskedBit(port->functions.GetModemStatus(port), PORTKIT_MS_DSR); }
PORTKIT_API int GetRi(PortStructure *port) { return MaskedBit(port->functions.GetModemStatus(port), PORTKIT_MS_RI); }
PORTKIT_API int GetCd(PortStructure *port) { return MaskedBit(port->functions.GetModemStatus(port), PORTKIT_MS_CD); }

PORTKIT_API int GetOverrunError(PortStructure *port) {
    return MaskedBit(port->functions.GetLineStatus(port), PORTKIT_LS_OVERRUN);
}
PORTKIT_API int GetParityError(PortStructure *port) {
    return MaskedBit(port->functions.GetLineStatus(port), PORTKIT_LS_PARITY);
}
PORTKIT_API int GetFramingError(PortStructure *port) {
    return MaskedBit(port->functions.GetLineStatus(port), PORTKIT_LS_FRAMING);
}
PORTKIT_API int GetBreakDetect(PortStructure *port) {
    return MaskedBit(port->functions.GetLineStatus(port), PORTKIT_LS_BREAK);
}

}  // extern "C"
