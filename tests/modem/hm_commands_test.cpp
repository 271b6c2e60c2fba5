// The bytes each command call puts on the line, and the calls that refuse
// their arguments without sending anything.
#include <climits>
#include <functional>

#include "modem/modem_on_pty.h"

namespace portkit::test {
namespace {

using HMCommands = ModemOnPty;

struct Sends {
    const char *name;
    std::function<int(PortStructure *)> call;
    std::string bytes;
};

TEST_F(HMCommands, EachCallSendsItsExactBytes) {
    // Commands that leave the modem in command mode come first; ATO, ATA
    // and the dial calls take it online, where the transcript is the same.
    const Sends cases[] = {
        {"HMReset", HMReset, "ATZ\r"},
        {"HMSetCarrier", [](PortStructure *p) { return HMSetCarrier(p, 1); }, "ATC1\r"},
        {"HMSetEchoMode", [](PortStructure *p) { return HMSetEchoMode(p, 1); }, "ATE1\r"},
        {"HMSetFullDuplexMode", [](PortStructure *p) { return HMSetFullDuplexMode(p, 0); }, "ATF0\r"},
        {"HMSetHookSwitch", [](PortStructure *p) { return HMSetHookSwitch(p, 2); }, "ATH2\r"},
        {"HMSetSpeaker", [](PortStructure *p) { return HMSetSpeaker(p, 2); }, "ATM2\r"},
        {"HMReturnNoResultCodes", [](PortStructure *p) { return HMReturnNoResultCodes(p, 0); }, "ATQ0\r"},
        {"HMSelectExtendedResultCodes", [](PortStructure *p) { return HMSelectExtendedResultCodes(p, 1); }, "ATX1\r"},
        {"HMSetVerboseMode", [](PortStructure *p) { return HMSetVerboseMode(p, 1); }, "ATV1\r"},
        {"HMSetRegister", [](PortStructure *p) { return HMSetRegister(p, 7, 30); }, "ATS7=30\r"},
        {"HMSetAutoAnswerRingCount", [](PortStructure *p) { return HMSetAutoAnswerRingCount(p, 3); }, "ATS0=3\r"},
        {"HMSetEscapeCode", [](PortStructure *p) { return HMSetEscapeCode(p, -1); }, "ATS2=255\r"},
        {"HMSetEscapeCodeVB", [](PortStructure *p) { return HMSetEscapeCodeVB(p, '~'); }, "ATS2=126\r"},
        {"HMSetEndOfLineCharacter", [](PortStructure *p) { return HMSetEndOfLineCharacter(p, 13); }, "ATS3=13\r"},
        {"HMSetEndOfLineCharacterVB", [](PortStructure *p) { return HMSetEndOfLineCharacterVB(p, 13); }, "ATS3=13\r"},
        {"HMSetLineFeedCharacter", [](PortStructure *p) { return HMSetLineFeedCharacter(p, -128); }, "ATS4=128\r"},
        {"HMSetLineFeedCharacterVB", [](PortStructure *p) { return HMSetLineFeedCharacterVB(p, 255); }, "ATS4=255\r"},
        {"HMSetBackspaceCharacter", [](PortStructure *p) { return HMSetBackspaceCharacter(p, 127); }, "ATS5=127\r"},
        {"HMSetBackspaceCharacterVB", [](PortStructure *p) { return HMSetBackspaceCharacterVB(p, -8); }, "ATS5=248\r"},
        {"HMSetWaitForDialToneTime", [](PortStructure *p) { return HMSetWaitForDialToneTime(p, 4); }, "ATS6=4\r"},
        {"HMSetWaitTimeForCarrier", [](PortStructure *p) { return HMSetWaitTimeForCarrier(p, 45); }, "ATS7=45\r"},
        {"HMSetPauseTimeForComma", [](PortStructure *p) { return HMSetPauseTimeForComma(p, 3); }, "ATS8=3\r"},
        {"HMSetCDResponseTime", [](PortStructure *p) { return HMSetCDResponseTime(p, 7); }, "ATS9=7\r"},
        {"HMSetCarrierDisconnectTime", [](PortStructure *p) { return HMSetCarrierDisconnectTime(p, 20); },
         "ATS10=20\r"},
        {"HMSetTouchToneDuration", [](PortStructure *p) { return HMSetTouchToneDuration(p, 80); }, "ATS11=80\r"},
        {"HMSetEscapeCodeGuardTime", [](PortStructure *p) { return HMSetEscapeCodeGuardTime(p, 25); }, "ATS12=25\r"},
        {"HMSendString", [](PortStructure *p) { return HMSendString(p, "AT&V"); }, "AT&V\r"},
        {"HMSendStringNoWait CR LF", [](PortStructure *p) { return HMSendStringNoWait(p, "AT", -2); }, "AT\r\n"},
        {"HMSendStringNoWait '!'", [](PortStructure *p) { return HMSendStringNoWait(p, "AT", '!'); }, "AT!"},
        {"HMSendStringNoWait none", [](PortStructure *p) { return HMSendStringNoWait(p, "AT", -1); }, "AT"},
        {"HMRepeatLastCommand", HMRepeatLastCommand, "A/"},
        {"HMGoOnline", HMGoOnline, "ATO\r"},
        {"HMAnswer", HMAnswer, "ATA\r"},
        {"HMDial", [](PortStructure *p) { return HMDial(p, "5551234"); }, "ATDT5551234\r"},
        {"HMDialInAnswerMode", [](PortStructure *p) { return HMDialInAnswerMode(p, "5551234"); }, "ATDT5551234R\r"},
        {"HMDialAndReturnToCommandMode", [](PortStructure *p) { return HMDialAndReturnToCommandMode(p, "5551234"); },
         "ATDT5551234;\r"},
    };
    for (const Sends &each : cases) {
        EXPECT_EQ(each.call(port), 0) << each.name;
        EXPECT_EQ(TakeSent(each.bytes.size()), each.bytes) << each.name;
    }
}

TEST_F(HMCommands, DialPrefixFollowsTheDialingMethod) {
    EXPECT_EQ(PWGetPortDialingMethod(port), PORTKIT_DIAL_TONE);
    const std::pair<int, std::string> methods[] = {
        {PORTKIT_DIAL_PULSE, "ATDP"}, {PORTKIT_DIAL_DEFAULT, "ATD"}, {PORTKIT_DIAL_TONE, "ATDT"}};
    for (const auto &[method, prefix] : methods) {
        EXPECT_EQ(HMSetDialingMethod(port, method), 0);
        EXPECT_EQ(HMDialAndReturnToCommandMode(port, "12"), 0);
        EXPECT_EQ(TakeSent(prefix.size() + 4), prefix + "12;\r");
    }

    EXPECT_EQ(HMSetDialingMethod(port, PORTKIT_DIAL_PULSE), 0);
    for (int bad : {3, -1}) {
        EXPECT_EQ(HMSetDialingMethod(port, bad), PORTKIT_INVALID_PARAMETER);
        EXPECT_EQ(PWGetPortStatus(port), PORTKIT_INVALID_PARAMETER);
        EXPECT_EQ(PWGetPortDialingMethod(port), PORTKIT_DIAL_PULSE);
        PWClearError(port);
    }
    EXPECT_EQ(HMDialAndReturnToCommandMode(port, "12"), 0);
    EXPECT_EQ(TakeSent(8), "ATDP12;\r");
}

TEST_F(HMCommands, OutOfRangeSettersSendNothingAndLeaveTheStatus) {
    using Setter = int (*)(PortStructure *, int);
    const std::pair<Setter, int> refused[] = {
        {HMSetCarrier, 2},
        {HMSetEchoMode, 2},
        {HMSetFullDuplexMode, 2},
        {HMReturnNoResultCodes, 2},
        {HMSelectExtendedResultCodes, 2},
        {HMSetVerboseMode, 2},
        {HMSetHookSwitch, 3},
        {HMSetSpeaker, 3},
        {HMSetCarrier, -1},
        {HMSetHookSwitch, -1},
        {HMSetEscapeCode, 256},
        {HMSetEscapeCodeVB, -129},
        {HMSetEndOfLineCharacter, 300},
        {HMSetLineFeedCharacterVB, -200},
        {HMSetBackspaceCharacter, 1000},
    };
    port->status = PORTKIT_CTS_LOW;  // an earlier failure that must stay
    for (const auto &[setter, value] : refused) {
        EXPECT_EQ(setter(port, value), PORTKIT_INVALID_PARAMETER) << value;
        EXPECT_EQ(PWGetPortStatus(port), PORTKIT_CTS_LOW) << value;
    }
    PWClearError(port);
    EXPECT_EQ(HMSendStringNoWait(port, "AT", '\r'), 0);
    EXPECT_EQ(TakeSent(3), "AT\r");
}

TEST_F(HMCommands, TooLongNumbersAndRegisterCommandsSendNothing) {
    const std::string longest(PORTKIT_MAX_DIAL_NUMBER, '5');  // fits with any prefix and suffix
    const std::string too_long(47, '5');                      // fits with none
    for (int method : {PORTKIT_DIAL_TONE, PORTKIT_DIAL_DEFAULT}) {
        HMSetDialingMethod(port, method);
        EXPECT_EQ(HMDial(port, too_long.c_str()), PORTKIT_INVALID_PARAMETER) << method;
        EXPECT_EQ(HMDialInAnswerMode(port, too_long.c_str()), PORTKIT_INVALID_PARAMETER) << method;
        EXPECT_EQ(HMDialAndReturnToCommandMode(port, too_long.c_str()), PORTKIT_INVALID_PARAMETER) << method;
    }
    EXPECT_EQ(HMSetRegister(port, 2, INT_MIN), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(HMSetRegister(port, 99, 123456), PORTKIT_INVALID_PARAMETER);  // 12 characters
    EXPECT_EQ(HMSetRegister(port, 99, 12345), 0);                           // 11: the modem says ERROR
    EXPECT_EQ(TakeSent(12), "ATS99=12345\r");
    HMSetDialingMethod(port, PORTKIT_DIAL_TONE);
    EXPECT_EQ(HMDialInAnswerMode(port, longest.c_str()), 0);
    EXPECT_EQ(TakeSent(50), "ATDT" + longest + "R\r");
    // The command line holds 49 characters: "ATDT" and 45 digits exactly, but
    // not with a suffix as well.
    const std::string exactly(45, '7');
    EXPECT_EQ(HMDialAndReturnToCommandMode(port, exactly.c_str()), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(HMDial(port, exactly.c_str()), 0);
    EXPECT_EQ(TakeSent(50), "ATDT" + exactly + "\r");
}

// A failure the application has not cleared yet (a reply that did not come,
// a refused dialing method) must not send the next command without its CR:
// the modem would take it and the one after as one garbled line.
TEST_F(HMCommands, AnUnclearedFailureDoesNotCutTheNextCommandShort) {
    HMWaitForOK(200, "OK");
    modem->Pause(true);
    EXPECT_EQ(HMReset(port), PORTKIT_MODEM_NO_OK);
    modem->Pause(false);
    HMFixedDelay(0);
    EXPECT_EQ(HMReset(port), 0);
    EXPECT_EQ(TakeSent(8), "ATZ\rATZ\r");

    EXPECT_EQ(HMSetDialingMethod(port, 7), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(HMDial(port, "12"), 0);
    EXPECT_EQ(TakeSent(7), "ATDT12\r");
}

}  // namespace
}  // namespace portkit::test
