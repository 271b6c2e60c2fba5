// Tests derived from the queue counts and the modem and line status bits.
#include "port/port_internal.h"

namespace {

int IsZero(int answer) { return answer < 0 ? answer : (answer == 0 ? 1 : 0); }

// A result of 0 or below passes through; otherwise the bit's own value.
int MaskedBit(int answer, int bit) { return answer <= 0 ? answer : (answer & bit); }

}  // namespace

extern "C" {

PORTKIT_API int IsTXFull(PortStructure *port) { return IsZero(port->functions.SpaceFreeInTXBuffer(port)); }
PORTKIT_API int IsRXEmpty(PortStructure *port) { return IsZero(port->functions.SpaceUsedInRXBuffer(port)); }

// A driver that cannot count its transmit queue is taken as drained, so
// "wait until sent" loops end instead of failing.
PORTKIT_API int IsTXEmpty(PortStructure *port) {
    const int saved_status = port->status;
    const int used = port->functions.SpaceUsedInTXBuffer(port);
    if (used == PORTKIT_NOT_SUPPORTED) {
        port->status = saved_status;
        return 1;
    }
    return IsZero(used);
}

// Likewise a receive queue that cannot be counted is never reported full.
PORTKIT_API int IsRXFull(PortStructure *port) {
    const int saved_status = port->status;
    const int free_space = port->functions.SpaceFreeInRXBuffer(port);
    if (free_space == PORTKIT_NOT_SUPPORTED) {
        port->status = saved_status;
        return 0;
    }
    return IsZero(free_space);
}

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
