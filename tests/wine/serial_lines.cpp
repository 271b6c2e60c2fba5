// lines: speeds, framing, flow control, DTR and RTS, break. Each setting is
// read back from the device with GetCommState, so a setting the driver only
// keeps in its own copy does not pass. Last, a line written after all of it
// must still reach the far end.
#include <windows.h>

#include <cstdio>

#include "serial_check.h"

namespace serial_check {
namespace {

DCB DeviceDcb(PortStructure *port) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(static_cast<HANDLE>(PortMSWin32GetCommHandle(port)), &dcb);
    return dcb;
}

void Speeds(PortStructure *port) {
    const long rates[] = {300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
    bool all = true;
    for (long rate : rates) {
        const int result = PWPortSet(port, rate, "N", 8, 1);
        const long device = static_cast<long>(DeviceDcb(port).BaudRate);
        if (result != 0 || device != rate) {
            Fail("speed " + std::to_string(rate),
                 Printed("PWPortSet gave %ld; the device runs at %ld", result, device));
            all = false;
        }
    }
    if (all) Ok("speeds 300 to 921600 reach the device");
    const int odd = PWPortSet(port, 12345, "N", 8, 1);
    PWClearError(port);
    const long device = static_cast<long>(DeviceDcb(port).BaudRate);
    if (odd == 0) {
        Skip("a rate the device cannot run",
             Printed("Wine takes any rate on a pty (12345 accepted, reads back %ld)", device));
    } else if (odd == PORTKIT_ILLEGAL_BAUD_RATE && device == 921600) {
        Ok("a rate the device refuses gives -25 and keeps the old one");
    } else {
        Fail("a rate the device refuses", Printed("gave %ld; the device runs at %ld", odd, device));
    }
}

void Framing(PortStructure *port) {
    int result = PWPortSet(port, 9600, "E", 7, 2);
    DCB dcb = DeviceDcb(port);
    // Stop bits survive on a pty, so they show that the settings went out.
    if (result != 0 || dcb.StopBits != TWOSTOPBITS) {
        Fail("7E2", Printed("PWPortSet gave %ld; the device has stop bits %ld", result, dcb.StopBits));
    } else {
        Ok("two stop bits reach the device");
    }
    if (dcb.ByteSize == 7 && dcb.Parity == EVENPARITY) {
        Ok("7 data bits and even parity reach the device");
    } else if (dcb.ByteSize == 8 && dcb.Parity == NOPARITY) {
        Skip("7 data bits and even parity", "Linux keeps a pty at 8 bits without parity");
    } else {
        Fail("7E2", Printed("the device has %ld data bits, parity %ld", dcb.ByteSize, dcb.Parity));
    }
    result = PWPortSet(port, 9600, "N", 9, 1);
    PWClearError(port);
    if (result == PORTKIT_ILLEGAL_WORD_LENGTH)
        Ok("9 data bits give -27");
    else if (result < 0)
        Skip("9 data bits give -27", Printed("Wine refuses them with another error, so %ld", result));
    else
        Fail("9 data bits", "accepted");
    result = PWPortSet(port, 115200, "N", 8, 1);
    dcb = DeviceDcb(port);
    if (result != 0 || dcb.BaudRate != 115200 || dcb.ByteSize != 8 || dcb.Parity != NOPARITY ||
        dcb.StopBits != ONESTOPBIT) {
        Fail("back to 115200 8N1", Printed("PWPortSet gave %ld; the device runs at %ld", result, dcb.BaudRate));
    }
}

void FlowControl(PortStructure *port) {
    const int on = PWUseXonXoff(port, 1);
    const DCB with = DeviceDcb(port);
    const int off = PWUseXonXoff(port, 0);
    const DCB without = DeviceDcb(port);
    if (on != 0 || off != 0 || !with.fOutX || !with.fInX || without.fOutX || without.fInX) {
        Fail("XON/XOFF on and off", Printed("gave %ld and %ld; the device had fOutX %ld", on, off, with.fOutX));
    } else {
        Ok("XON/XOFF on and off reach the device");
    }
}

void ModemLines(PortStructure *port) {
    const int results[] = {PWSetDtr(port, 0), PWSetDtr(port, 1), PWSetRts(port, 0), PWSetRts(port, 1)};
    const int system_error = PWGetSystemError(port);
    PWClearError(port);
    bool all_done = true, all_refused = true;
    for (int result : results) {
        all_done = all_done && result == 0;
        all_refused = all_refused && result < 0;
    }
    if (all_done) {
        Ok("DTR and RTS calls succeed");
    } else if (all_refused && system_error != 0) {
        // Wine sets the lines with ioctls a pty refuses; the calls say so.
        Skip("DTR and RTS calls",
             Printed("a pty has no modem lines: refused (%ld) with system error %ld", results[0], system_error));
    } else {
        Fail("DTR and RTS calls",
             Printed("DTR gave %ld, RTS %ld, system error %ld", results[0], results[2], system_error));
    }
    const int status = PWGetModemStatus(port);
    PWClearError(port);
    if (status < 0) {
        Skip("modem status", Printed("GetCommModemStatus fails on a pty under Wine (%ld)", status));
    }
    Skip("DTR and RTS levels", "a pty pair carries no modem lines to the far end");
}

void Break(PortStructure *port) {
    const int32_t start = ElapsedTime();
    const int result = PWSendBreak(port, 300);
    const long took = ElapsedTime() - start;
    if (result != 0 || took < 250 || took > 3000)
        Fail("break of 300 ms", Printed("gave %ld after %ld ms", result, took));
    else
        Ok("break of 300 ms");
    Skip("break at the far end", "a pty pair carries no break condition");
}

}  // namespace

void LineSettings(PortStructure *port, const std::vector<std::string> &) {
    Speeds(port);
    Framing(port);
    FlowControl(port);
    ModemLines(port);
    Break(port);
    // The script reads this line and answers 'K'.
    if (WriteStringTimed(port, "after settings", PORTKIT_TERMINATOR_CRLF, 5000) != 0) {
        Fail("writing after the settings", "WriteStringTimed failed");
    } else if (!AwaitAck(port, 20000)) {
        Fail("writing after the settings", "the far end did not get the line");
    } else {
        Ok("a line written after the settings arrives");
    }
}

}  // namespace serial_check
