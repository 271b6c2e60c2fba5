// The generic PW* calls: each dispatches through the port's slot unchanged.
#include "port/port_internal.h"

extern "C" {

PORTKIT_API int PWReadChar(PortStructure *port) { return port->functions.ReadChar(port); }
PORTKIT_API int PWPeekChar(PortStructure *port) { return port->functions.PeekChar(port); }
PORTKIT_API int PWWriteChar(PortStructure *port, int c) { return port->functions.WriteChar(port, c); }
PORTKIT_API int PWPortClose(PortStructure *port) { return port->functions.PortClose(port); }

PORTKIT_API int PWPortSet(PortStructure *port, long baud_rate, const char *parity, int word_length, int stop_bits) {
    const int parity_char = static_cast<unsigned char>(parity[0]);
    return port->functions.PortSet(port, baud_rate, parity_char, word_length, stop_bits);
}

PORTKIT_API int PWUseXonXoff(PortStructure *port, int on) { return port->functions.UseXonXoff(port, on); }
PORTKIT_API int PWUseRtsCts(PortStructure *port, int on) { return port->functions.UseRtsCts(port, on); }
PORTKIT_API int PWUseDtrDsr(PortStructure *port, int on) { return port->functions.UseDtrDsr(port, on); }
PORTKIT_API int PWSetDtr(PortStructure *port, int on) { return port->functions.SetDtr(port, on); }
PORTKIT_API int PWSetRts(PortStructure *port, int on) { return port->functions.SetRts(port, on); }
PORTKIT_API int PWSpaceFreeInTXBuffer(PortStructure *port) { return port->functions.SpaceFreeInTXBuffer(port); }
PORTKIT_API int PWSpaceUsedInTXBuffer(PortStructure *port) { return port->functions.SpaceUsedInTXBuffer(port); }
PORTKIT_API int PWSpaceFreeInRXBuffer(PortStructure *port) { return port->functions.SpaceFreeInRXBuffer(port); }
PORTKIT_API int PWSpaceUsedInRXBuffer(PortStructure *port) { return port->functions.SpaceUsedInRXBuffer(port); }
PORTKIT_API int PWClearTXBuffer(PortStructure *port) { return port->functions.ClearTXBuffer(port); }

PORTKIT_API int PWWriteBuffer(PortStructure *port, const char *buffer, unsigned int count) {
    return port->functions.WriteBuffer(port, buffer, count);
}
PORTKIT_API int PWReadBuffer(PortStructure *port, char *buffer, unsigned int count) {
    return port->functions.ReadBuffer(port, buffer, count);
}
PORTKIT_API int PWDumpPortStatus(PortStructure *port, PortLinePrinter printer) {
    return port->functions.DumpPortStatus(port, printer);
}

PORTKIT_API int PWSendBreak(PortStructure *port, int milliseconds) {
    return port->functions.SendBreak(port, milliseconds);
}
PORTKIT_API int PWGetModemStatus(PortStructure *port) { return port->functions.GetModemStatus(port); }
PORTKIT_API int PWGetLineStatus(PortStructure *port) { return port->functions.GetLineStatus(port); }
PORTKIT_API int PWClearLineStatus(PortStructure *port) { return port->functions.ClearLineStatus(port); }
PORTKIT_API int PWBlock(PortStructure *port, int on) { return port->functions.Block(port, on); }

PORTKIT_API int PWClearError(PortStructure *port) {
    port->functions.ClearError(port);
    return 0;
}

PORTKIT_API int PWGetPortStatus(PortStructure *port) { return port->status; }
PORTKIT_API int PWGetPortHandle(PortStructure *port) { return port->handle; }
PORTKIT_API int PWGetPortDriverType(PortStructure *port) { return port->driver_type; }
PORTKIT_API int PWGetPortDialingMethod(PortStructure *port) { return port->dialing_method; }
PORTKIT_API int PWGetPortCount(PortStructure *port) { return port->count; }

}  // extern "C"
