// S-register reads and writes, and the named register calls built on them.
#include "modem/modem_internal.h"

namespace portkit::modem {
namespace {

constexpr int kRegisterReplyBudgetMs = 1500;

bool IsRegisterValueLine(const char *line) {
    if (*line == '\0') return false;
    for (; *line != '\0'; ++line) {
        if (*line < '0' || *line > '9') return false;
    }
    return true;
}

// The value kept to 8 bits, as a register holds it.
int RegisterValueOf(const char *digits) {
    unsigned value = 0;
    for (; *digits != '\0'; ++digits) value = (value * 10 + static_cast<unsigned>(*digits - '0')) & 0xFF;
    return static_cast<int>(value);
}

// A character register takes a character's code; a signed char's negative
// value stands for its unsigned code.
int SetCharacterRegister(PortStructure *port, int reg, int character) {
    if (character < -128 || character > 255) return PORTKIT_INVALID_PARAMETER;
    return HMSetRegister(port, reg, character & 0xFF);
}

}  // namespace
}  // namespace portkit::modem

using portkit::modem::SetCharacterRegister;

extern "C" {

// The modem echoes the command and frames the value with blank lines; only
// a line of digits is the value. The bare CR sent afterwards collects the
// modem's final result through the usual reply wait.
PORTKIT_API int HMGetRegister(PortStructure *port, int reg) {
    portkit::modem::CommandLine<portkit::modem::kCommandSize> command;
    command.Append("ATS").AppendDecimal(reg).Append("?");
    const int sent = HMSendStringNoWait(port, command.Text(), portkit::modem::kCR);
    if (sent < 0) return sent;
    char line[portkit::modem::kReplyLineSize];
    int left = portkit::modem::kRegisterReplyBudgetMs;
    for (;;) {
        const int result = HMInputLine(port, left, line, portkit::modem::kReplyLineSize);
        if (result < 0) return result;
        if (result == 0) {
            port->status = PORTKIT_NO_MODEM_RESPONSE;
            return PORTKIT_NO_MODEM_RESPONSE;
        }
        left = result;
        if (portkit::modem::IsRegisterValueLine(line)) break;
    }
    const int value = portkit::modem::RegisterValueOf(line);
    const int finished = HMSendString(port, "");
    return finished < 0 ? finished : value;
}

// A command that would not fit the 11-character buffer is refused whole.
PORTKIT_API int HMSetRegister(PortStructure *port, int reg, int value) {
    portkit::modem::CommandLine<portkit::modem::kRegisterCommandSize> command;
    command.Append("ATS").AppendDecimal(reg).Append("=").AppendDecimal(value);
    if (command.Overflowed()) return PORTKIT_INVALID_PARAMETER;
    return HMSendString(port, command.Text());
}

PORTKIT_API int HMSetAutoAnswerRingCount(PortStructure *port, int rings) { return HMSetRegister(port, 0, rings); }
PORTKIT_API int HMGetIncomingRingCount(PortStructure *port) { return HMGetRegister(port, 1); }

PORTKIT_API int HMSetEscapeCode(PortStructure *port, int character) { return SetCharacterRegister(port, 2, character); }
PORTKIT_API int HMSetEscapeCodeVB(PortStructure *port, int character) { return HMSetEscapeCode(port, character); }
PORTKIT_API int HMSetEndOfLineCharacter(PortStructure *port, int character) {
    return SetCharacterRegister(port, 3, character);
}
PORTKIT_API int HMSetEndOfLineCharacterVB(PortStructure *port, int character) {
    return HMSetEndOfLineCharacter(port, character);
}
PORTKIT_API int HMSetLineFeedCharacter(PortStructure *port, int character) {
    return SetCharacterRegister(port, 4, character);
}
PORTKIT_API int HMSetLineFeedCharacterVB(PortStructure *port, int character) {
    return HMSetLineFeedCharacter(port, character);
}
PORTKIT_API int HMSetBackspaceCharacter(PortStructure *port, int character) {
    return SetCharacterRegister(port, 5, character);
}
PORTKIT_API int HMSetBackspaceCharacterVB(PortStructure *port, int character) {
    return HMSetBackspaceCharacter(port, character);
}

PORTKIT_API int HMSetWaitForDialToneTime(PortStructure *port, int value) { return HMSetRegister(port, 6, value); }
PORTKIT_API int HMSetWaitTimeForCarrier(PortStructure *port, int value) { return HMSetRegister(port, 7, value); }
PORTKIT_API int HMSetPauseTimeForComma(PortStructure *port, int value) { return HMSetRegister(port, 8, value); }
PORTKIT_API int HMSetCDResponseTime(PortStructure *port, int value) { return HMSetRegister(port, 9, value); }
PORTKIT_API int HMSetCarrierDisconnectTime(PortStructure *port, int value) { return HMSetRegister(port, 10, value); }
PORTKIT_API int HMSetTouchToneDuration(PortStructure *port, int value) { return HMSetRegister(port, 11, value); }
PORTKIT_API int HMSetEscapeCodeGuardTime(PortStructure *port, int value) { return HMSetRegister(port, 12, value); }

PORTKIT_API int HMGetUARTStatus(PortStructure *port) { return HMGetRegister(port, 13); }
PORTKIT_API int HMGetOptionRegister(PortStructure *port) { return HMGetRegister(port, 14); }
PORTKIT_API int HMGetFlagRegister(PortStructure *port) { return HMGetRegister(port, 15); }

}  // extern "C"
