// The AT commands: reset, online, answer, repeat, the dial calls and the
// single-letter setters.
#include "modem/modem_internal.h"

namespace portkit::modem {
namespace {

const char *DialPrefix(const PortStructure *port) {
    switch (port->dialing_method) {
        case PORTKIT_DIAL_TONE:
            return "ATDT";
        case PORTKIT_DIAL_PULSE:
            return "ATDP";
        default:
            return "ATD";
    }
}

// The dial command is the modem's own to finish: the connect result comes
// much later and is read by the application.
int Dial(PortStructure *port, const char *number, const char *suffix) {
    if (number == nullptr) return PORTKIT_INVALID_PARAMETER;
    CommandLine<kDialCommandSize> command;
    command.Append(DialPrefix(port)).Append(number).Append(suffix);
    if (command.Overflowed()) return PORTKIT_INVALID_PARAMETER;
    return HMSendStringNoWait(port, command.Text(), kCR);
}

// "AT" + letter + value, refused without a byte sent when out of 0..highest.
int SetFlag(PortStructure *port, const char *letter, int value, int highest) {
    if (value < 0 || value > highest) return PORTKIT_INVALID_PARAMETER;
    CommandLine<kCommandSize> command;
    command.Append("AT").Append(letter).AppendDecimal(value);
    return HMSendString(port, command.Text());
}

}  // namespace
}  // namespace portkit::modem

using portkit::modem::Dial;
using portkit::modem::SetFlag;

extern "C" {

PORTKIT_API int HMReset(PortStructure *port) { return HMSendString(port, "ATZ"); }
PORTKIT_API int HMGoOnline(PortStructure *port) { return HMSendStringNoWait(port, "ATO", portkit::modem::kCR); }
PORTKIT_API int HMAnswer(PortStructure *port) { return HMSendStringNoWait(port, "ATA", portkit::modem::kCR); }
// "A/" acts as soon as the slash arrives; a CR would start a new command.
PORTKIT_API int HMRepeatLastCommand(PortStructure *port) {
    return HMSendStringNoWait(port, "A/", PORTKIT_TERMINATOR_NONE);
}

PORTKIT_API int HMDial(PortStructure *port, const char *number) { return Dial(port, number, ""); }
PORTKIT_API int HMDialInAnswerMode(PortStructure *port, const char *number) { return Dial(port, number, "R"); }
PORTKIT_API int HMDialAndReturnToCommandMode(PortStructure *port, const char *number) {
    return Dial(port, number, ";");
}

PORTKIT_API int HMSetCarrier(PortStructure *port, int on) { return SetFlag(port, "C", on, 1); }
PORTKIT_API int HMSetEchoMode(PortStructure *port, int on) { return SetFlag(port, "E", on, 1); }
PORTKIT_API int HMSetFullDuplexMode(PortStructure *port, int on) { return SetFlag(port, "F", on, 1); }
PORTKIT_API int HMSetHookSwitch(PortStructure *port, int state) { return SetFlag(port, "H", state, 2); }
PORTKIT_API int HMSetSpeaker(PortStructure *port, int mode) { return SetFlag(port, "M", mode, 2); }
PORTKIT_API int HMReturnNoResultCodes(PortStructure *port, int on) { return SetFlag(port, "Q", on, 1); }
PORTKIT_API int HMSelectExtendedResultCodes(PortStructure *port, int on) { return SetFlag(port, "X", on, 1); }
PORTKIT_API int HMSetVerboseMode(PortStructure *port, int on) { return SetFlag(port, "V", on, 1); }

}  // extern "C"
