#include "platform/posix/comm/dcb_settings.h"

#include <cerrno>

namespace portkit::posix {

void InitialDcb(DCB *dcb) {
    *dcb = DCB{};
    dcb->DCBlength = sizeof(DCB);
    dcb->BaudRate = 9600;
    dcb->fBinary = 1;
    dcb->fDtrControl = DTR_CONTROL_ENABLE;
    dcb->fRtsControl = RTS_CONTROL_ENABLE;
    dcb->ByteSize = 8;
    dcb->Parity = NOPARITY;
    dcb->StopBits = ONESTOPBIT;
    dcb->XonChar = 0x11;
    dcb->XoffChar = 0x13;
    dcb->XonLim = 2048;
    dcb->XoffLim = 512;
}

int ApplyDcb(LineEndpoint &line, const DCB &dcb) {
    LineSettings settings;
    if (dcb.BaudRate == 0) return EINVAL;
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8) return EINVAL;
    settings.baud_rate = dcb.BaudRate;
    settings.data_bits = dcb.ByteSize;
    switch (dcb.Parity) {
        case NOPARITY:
            settings.parity = Parity::kNone;
            break;
        case ODDPARITY:
            settings.parity = Parity::kOdd;
            break;
        case EVENPARITY:
            settings.parity = Parity::kEven;
            break;
        case MARKPARITY:
            settings.parity = Parity::kMark;
            break;
        case SPACEPARITY:
            settings.parity = Parity::kSpace;
            break;
        default:
            return EINVAL;
    }
    switch (dcb.StopBits) {
        case ONESTOPBIT:
            settings.stop_bits = 1;
            break;
        case ONE5STOPBITS:
        case TWOSTOPBITS:
            settings.stop_bits = 2;
            break;
        default:
            return EINVAL;
    }
    settings.check_parity = dcb.fParity != 0;
    settings.xon_xoff_output = dcb.fOutX != 0;
    settings.xon_xoff_input = dcb.fInX != 0;
    settings.xon_char = dcb.XonChar;
    settings.xoff_char = dcb.XoffChar;
    settings.rts_cts = dcb.fOutxCtsFlow != 0 || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    if (!line.Apply(settings)) return errno != 0 ? errno : EINVAL;
    // Handshake modes leave the line to the kernel; DTR has no kernel
    // handshake, so it is held up.
    line.SetDtr(dcb.fDtrControl != DTR_CONTROL_DISABLE);
    if (dcb.fRtsControl != RTS_CONTROL_HANDSHAKE) line.SetRts(dcb.fRtsControl != RTS_CONTROL_DISABLE);
    return 0;
}

}  // namespace portkit::posix
