// Modem and line status, break, the status dump, and closing.
#include <cstdio>

#include "drivers/win32/win32_port_data.h"
#include "platform/platform.h"

namespace portkit::driver {
namespace {

int Bit(DWORD value, DWORD mask) { return (value & mask) != 0 ? 1 : 0; }

// Accumulated CE_ bits in the 8250 line status layout.
int LineStatusBits(DWORD comm_errors) {
    int bits = 0;
    if (comm_errors & CE_BREAK) bits |= PORTKIT_LS_BREAK;
    if (comm_errors & CE_FRAME) bits |= PORTKIT_LS_FRAMING;
    if (comm_errors & CE_OVERRUN) bits |= PORTKIT_LS_OVERRUN;
    if (comm_errors & CE_RXPARITY) bits |= PORTKIT_LS_PARITY;
    return bits;
}

}  // namespace
}  // namespace portkit::driver

using namespace portkit::driver;

extern "C" {

// A device that cannot report its modem lines gives the mapped error.
PORTKIT_API int _GetModemStatusMSWin32(PortStructure *port) {
    DWORD status = 0;
    if (!GetCommModemStatus(DataOf(port)->comm_handle, &status)) return StoreMappedError(port);
    return static_cast<int>(status & 0xFF);
}

PORTKIT_API int _GetLineStatusMSWin32(PortStructure *port) {
    QueryQueues(port);
    return LineStatusBits(DataOf(port)->comm_errors);
}

PORTKIT_API int _ClearLineStatusMSWin32(PortStructure *port) {
    DataOf(port)->comm_errors = 0;
    return 0;
}

PORTKIT_API int _SendBreakMSWin32(PortStructure *port, int milliseconds) {
    HANDLE handle = DataOf(port)->comm_handle;
    if (!SetCommBreak(handle)) return StoreMappedError(port);
    PortKillTime(port, milliseconds);
    ClearCommBreak(handle);
    return 0;
}

PORTKIT_API int _PortCloseMSWin32(PortStructure *port) {
    Win32PortData *data = DataOf(port);
    HANDLE handle = data->comm_handle;
    CloseTransmitQueue(&data->transmit, handle, port);
    CloseReceiveQueue(&data->receive);
    portkit::platform::DetachPortWait(port);
    EscapeCommFunction(handle, CLRDTR);
    EscapeCommFunction(handle, CLRRTS);
    const int result = CloseHandle(handle) ? 0 : MappedError();
    FreeDriverStructure(data);
    _FreePort(port);
    return result;
}

PORTKIT_API int _DumpPortStatusMSWin32(PortStructure *port, PortLinePrinter printer) {
    Win32PortData *data = DataOf(port);
    const DCB &dcb = data->dcb;
    char line[160];
    auto print = [&](auto... values) {
        std::snprintf(line, sizeof line, values...);
        printer(line);
    };
    printer("");
    print("Port type:  MS Windows  DCB BaudRate: %-6d  ByteSize: %1d  Parity: %1d", static_cast<int>(dcb.BaudRate),
          dcb.ByteSize, dcb.Parity);
    print("StopBits: %1d fBinary: %1d  fRtsControl: %1d", dcb.StopBits, static_cast<int>(dcb.fBinary),
          static_cast<int>(dcb.fRtsControl));
    print("Parity: %1d  OutCtsFlow: %1d  OutDsrFlow: %1d  DtrControl: %1d  OutX: %1d  InX: %1d",
          static_cast<int>(dcb.fParity), static_cast<int>(dcb.fOutxCtsFlow), static_cast<int>(dcb.fOutxDsrFlow),
          static_cast<int>(dcb.fDtrControl), static_cast<int>(dcb.fOutX), static_cast<int>(dcb.fInX));
    print("Null: %1d  DtrControl: %1d  RtsControl: %1d  XonChar: %02x  XoffChar: %02x", static_cast<int>(dcb.fNull),
          static_cast<int>(dcb.fDtrControl), static_cast<int>(dcb.fRtsControl), static_cast<unsigned char>(dcb.XonChar),
          static_cast<unsigned char>(dcb.XoffChar));
    print("XonLim: %-5u XoffLim: %-5u EofChr: %02x  EvtChr: %02x", static_cast<unsigned>(dcb.XonLim),
          static_cast<unsigned>(dcb.XoffLim), static_cast<unsigned char>(dcb.EofChar),
          static_cast<unsigned char>(dcb.EvtChar));
    const int line_status = port->functions.GetLineStatus(port);
    const COMSTAT queues = QueryQueues(port);
    const int ls = line_status < 0 ? 0 : line_status;
    print("RX count/free: %5d/%-5d  TX count/free: %5d/%-5d  BREAK/FE/OE/PE: %d%d%d%d",
          static_cast<int>(queues.cbInQue), static_cast<int>(data->rx_queue_size - queues.cbInQue),
          static_cast<int>(queues.cbOutQue), static_cast<int>(data->tx_queue_size - queues.cbOutQue),
          Bit(ls, PORTKIT_LS_BREAK), Bit(ls, PORTKIT_LS_FRAMING), Bit(ls, PORTKIT_LS_OVERRUN),
          Bit(ls, PORTKIT_LS_PARITY));
    const DWORD errors = data->comm_errors;
    print("CE_BREAK:%d  CE_FRAME:%d  CE_MODE:%d CE_OVERRUN:%d", Bit(errors, CE_BREAK), Bit(errors, CE_FRAME),
          Bit(errors, CE_MODE), Bit(errors, CE_OVERRUN));
    const int modem = port->functions.GetModemStatus(port);
    const int ms = modem < 0 ? 0 : modem;
    print("CE_RXOVER:%d CE_RXPARITY:%d CE_TXFULL:%d  CTS/DSR/RI/CD: %d%d%d%d", Bit(errors, CE_RXOVER),
          Bit(errors, CE_RXPARITY), Bit(errors, CE_TXFULL), Bit(ms, PORTKIT_MS_CTS), Bit(ms, PORTKIT_MS_DSR),
          Bit(ms, PORTKIT_MS_RI), Bit(ms, PORTKIT_MS_CD));
    print("8250:%04.4x", static_cast<unsigned>(data->uart_word));
    return 0;
}

}  // extern "C"
