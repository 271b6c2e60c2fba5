// Line settings, flow control and the DTR and RTS lines.
#include "drivers/win32/win32_port_data.h"
#include "platform/platform.h"

namespace portkit::driver {
namespace {

BYTE ParityFromLetter(int letter, bool *valid) {
    *valid = true;
    switch (letter & ~0x20) {  // either case
        case 'N':
            return NOPARITY;
        case 'O':
            return ODDPARITY;
        case 'E':
            return EVENPARITY;
        case 'M':
            return MARKPARITY;
        case 'S':
            return SPACEPARITY;
        default:
            *valid = false;
            return NOPARITY;
    }
}

// The device refused the settings as invalid: say which part it was.
int RefusalCode(const DCB &dcb) {
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8) return PORTKIT_ILLEGAL_WORD_LENGTH;
    return PORTKIT_ILLEGAL_BAUD_RATE;
}

int SetFlags(PortStructure *port, void (*edit)(DCB &dcb, bool on), int on) {
    edit(DataOf(port)->dcb, on != 0);
    return WriteDcb(port);
}

}  // namespace
}  // namespace portkit::driver

using namespace portkit::driver;

extern "C" {

// Any rate the device can run at is accepted and stored as given; the device
// itself refuses the others, which then leave the copy unchanged.
PORTKIT_API int _PortSetMSWin32(PortStructure *port, long baud_rate, int parity, int word_length, int stop_bits) {
    Win32PortData *data = DataOf(port);
    DCB &dcb = data->dcb;
    if (baud_rate <= 0 || baud_rate > 0x7FFFFFFF) {
        port->status = PORTKIT_ILLEGAL_BAUD_RATE;
        return port->status;
    }
    const DWORD previous_rate = dcb.BaudRate;
    dcb.BaudRate = static_cast<DWORD>(baud_rate);
    dcb.ByteSize = static_cast<BYTE>(word_length);
    bool parity_valid = false;
    const BYTE parity_value = ParityFromLetter(parity, &parity_valid);
    if (!parity_valid) {
        port->status = PORTKIT_ILLEGAL_PARITY;
        return port->status;
    }
    dcb.Parity = parity_value;
    if (stop_bits != 1 && stop_bits != 2) {
        port->status = PORTKIT_ILLEGAL_STOP_BITS;
        return port->status;
    }
    dcb.StopBits = stop_bits == 1 ? ONESTOPBIT : TWOSTOPBITS;
    if (!SetCommState(data->comm_handle, &dcb)) {
        if (GetLastError() == ERROR_INVALID_PARAMETER) {
            port->system_error = portkit::platform::LastSystemError();
            port->status = RefusalCode(dcb);
            if (port->status == PORTKIT_ILLEGAL_BAUD_RATE) dcb.BaudRate = previous_rate;
        } else {
            StoreMappedError(port);
        }
    }
    return port->status;
}

PORTKIT_API int _UseXonXoffMSWin32(PortStructure *port, int on) {
    return SetFlags(
        port, [](DCB &dcb, bool enable) { dcb.fOutX = dcb.fInX = enable ? 1 : 0; }, on);
}

PORTKIT_API int _UseRtsCtsMSWin32(PortStructure *port, int on) {
    return SetFlags(
        port,
        [](DCB &dcb, bool enable) {
            dcb.fOutxCtsFlow = enable ? 1 : 0;
            dcb.fRtsControl = enable ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
        },
        on);
}

PORTKIT_API int _UseDtrDsrMSWin32(PortStructure *port, int on) {
    return SetFlags(
        port,
        [](DCB &dcb, bool enable) {
            dcb.fOutxDsrFlow = enable ? 1 : 0;
            dcb.fDtrControl = enable ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_DISABLE;
        },
        on);
}

// The DCB keeps the level for later settings; the escape function sets the
// line now and is what fails on a device without one (a pty).
PORTKIT_API int _SetDtrMSWin32(PortStructure *port, int on) {
    Win32PortData *data = DataOf(port);
    data->dcb.fDtrControl = on != 0 ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    SetCommState(data->comm_handle, &data->dcb);
    if (!EscapeCommFunction(data->comm_handle, on != 0 ? SETDTR : CLRDTR)) return StoreMappedError(port);
    return 0;
}

PORTKIT_API int _SetRtsMSWin32(PortStructure *port, int on) {
    Win32PortData *data = DataOf(port);
    data->dcb.fRtsControl = on != 0 ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    SetCommState(data->comm_handle, &data->dcb);
    if (!EscapeCommFunction(data->comm_handle, on != 0 ? SETRTS : CLRRTS)) return StoreMappedError(port);
    return 0;
}

}  // extern "C"
