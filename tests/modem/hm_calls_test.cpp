// Calls made and answered through the HM calls: dial results read with
// HMInputLine, rings and answering, and the "+++" escape back to command
// mode with its guard time.
#include "modem/modem_on_pty.h"
#include "portkit/timedio.h"

namespace portkit::test {
namespace {

using HMCalls = ModemOnPty;

TEST_F(HMCalls, DialResultsReadWithInputLine) {
    modem->SetDialOutcome("5550001", HayesModem::DialOutcome::kBusy);
    modem->SetDialOutcome("5550002", HayesModem::DialOutcome::kNoCarrier);
    modem->SetDialOutcome("5550003", HayesModem::DialOutcome::kNoDialtone);
    for (const auto &[number, result] :
         {std::pair{"5550001", "BUSY"}, std::pair{"5550002", "NO CARRIER"}, std::pair{"5550003", "NO DIALTONE"}}) {
        EXPECT_EQ(HMDial(port, number), 0);
        EXPECT_EQ(NextReply(), result) << number;
    }
    EXPECT_EQ(HMDialAndReturnToCommandMode(port, "5550004"), 0);
    EXPECT_EQ(NextReply(), "OK");
    EXPECT_EQ(HMGetRegister(port, 2), 43);  // still in command mode
    EXPECT_EQ(NextReply(), "OK");

    EXPECT_EQ(HMSetVerboseMode(port, 0), 0);
    EXPECT_EQ(NextReply(), "0");
    EXPECT_EQ(HMDial(port, "5550001"), 0);
    EXPECT_EQ(NextReply(), "7");
    EXPECT_EQ(HMSetVerboseMode(port, 1), 0);
    EXPECT_EQ(NextReply(), "OK");

    EXPECT_EQ(HMDialInAnswerMode(port, "5551234"), 0);
    EXPECT_EQ(NextReply(), "CONNECT");
    EXPECT_EQ(HMSendStringNoWait(port, "hello", '\r'), 0);
    EXPECT_EQ(NextReply(), "hello");  // the far end loops data back
}

TEST_F(HMCalls, RingsThenAnswerConnects) {
    EXPECT_TRUE(modem->Ring());
    EXPECT_TRUE(modem->Ring());
    EXPECT_EQ(NextReply(), "RING");
    EXPECT_EQ(NextReply(), "RING");
    EXPECT_EQ(HMAnswer(port), 0);
    EXPECT_EQ(NextReply(), "CONNECT");
    EXPECT_FALSE(modem->Ring());  // off hook
}

TEST_F(HMCalls, EscapeWithGuardTimeReturnsToCommandModeAndATOGoesBack) {
    EXPECT_EQ(HMSetEscapeCodeGuardTime(port, 10), 0);  // 200 ms
    EXPECT_EQ(NextReply(), "OK");
    EXPECT_EQ(HMDial(port, "5551234"), 0);
    EXPECT_EQ(NextReply(), "CONNECT");

    // Straight after other data "+++" is data too.
    EXPECT_EQ(HMSendStringNoWait(port, "x+++", PORTKIT_TERMINATOR_NONE), 0);
    EXPECT_EQ(NextReply(400), "");
    EXPECT_EQ(modem->mode(), HayesEngine::Mode::kOnline);

    PortKillTime(port, 250);
    EXPECT_EQ(HMSendStringNoWait(port, "+++", PORTKIT_TERMINATOR_NONE), 0);
    const int32_t start = ElapsedTime();
    EXPECT_EQ(NextReply(), "+++");  // looped back, then the guard time's silence
    EXPECT_EQ(NextReply(), "OK");
    EXPECT_GE(MillisecondsSince(start), 190);
    EXPECT_EQ(HMGetRegister(port, 12), 10);

    EXPECT_EQ(HMGoOnline(port), 0);
    EXPECT_EQ(NextReply(), "OK");  // the one after the register's value
    EXPECT_EQ(NextReply(), "CONNECT");
    EXPECT_EQ(HMSendStringNoWait(port, "back", '\r'), 0);
    EXPECT_EQ(NextReply(), "back");
}

}  // namespace
}  // namespace portkit::test
