// S-register reads and writes against the simulated modem, which frames a
// value as real modems do: the echoed command, a blank line, "043", a blank
// line and the result code.
#include "modem/modem_on_pty.h"

namespace portkit::test {
namespace {

using HMRegisters = ModemOnPty;

TEST_F(HMRegisters, ReadTakesTheDigitLinePastEchoAndBlankLines) {
    EXPECT_EQ(HMGetRegister(port, 2), 43);
    EXPECT_EQ(TakeSent(7), "ATS2?\r\r");  // the bare CR collects the final OK
    EXPECT_EQ(HMSetRegister(port, 6, 2), 0);
    EXPECT_EQ(HMGetRegister(port, 6), 2);  // "002"
    EXPECT_EQ(HMSetRegister(port, 7, 255), 0);
    EXPECT_EQ(HMGetRegister(port, 7), 255);

    HMWaitForOK(1000, "OK");
    const int32_t start = ElapsedTime();
    EXPECT_EQ(HMGetRegister(port, 3), 13);
    EXPECT_GE(MillisecondsSince(start), 500);  // the OK after the value was waited for
}

TEST_F(HMRegisters, NumericResultCodesAreNotTakenForTheValue) {
    HMWaitForOK(1000, "0");
    EXPECT_EQ(HMSetVerboseMode(port, 0), 0);
    EXPECT_EQ(HMGetRegister(port, 2), 43);  // "043" then the result "0"
    EXPECT_EQ(HMGetRegister(port, 12), 50);
}

TEST_F(HMRegisters, SilentModemGivesNoModemResponse) {
    EXPECT_EQ(HMReturnNoResultCodes(port, 1), 0);
    EXPECT_EQ(HMGetRegister(port, 2), 43);  // values are text, not result codes: Q1 keeps them

    modem->Pause(true);
    const int32_t start = ElapsedTime();
    EXPECT_EQ(HMGetRegister(port, 2), PORTKIT_NO_MODEM_RESPONSE);
    EXPECT_GE(MillisecondsSince(start), 1500);
    EXPECT_LT(MillisecondsSince(start), 2500);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_NO_MODEM_RESPONSE);
}

TEST_F(HMRegisters, GettersReadTheirOwnRegisters) {
    EXPECT_EQ(HMSetRegister(port, 13, 17), 0);
    EXPECT_EQ(HMSetRegister(port, 15, 99), 0);
    EXPECT_EQ(HMGetUARTStatus(port), 17);
    EXPECT_EQ(HMGetFlagRegister(port), 99);
    EXPECT_EQ(HMGetOptionRegister(port), 0xAA);  // E1 Q0 V1
    EXPECT_EQ(HMSetEchoMode(port, 0), 0);
    EXPECT_EQ(HMGetOptionRegister(port), 0xA8);

    EXPECT_TRUE(modem->Ring());
    EXPECT_TRUE(modem->Ring());
    EXPECT_EQ(HMGetIncomingRingCount(port), 2);  // the RING lines are passed over
    EXPECT_EQ(HMSetAutoAnswerRingCount(port, 4), 0);
    EXPECT_EQ(HMGetRegister(port, 0), 4);
}

}  // namespace
}  // namespace portkit::test
