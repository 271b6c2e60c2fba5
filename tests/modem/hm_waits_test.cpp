// How long the command calls wait: for a reply line, a fixed delay, or not
// at all; and how the wait for the transmit queue to drain ends.
#include <algorithm>

#include "modem/modem_on_pty.h"

namespace portkit::test {
namespace {

using HMWaits = ModemOnPty;

TEST_F(HMWaits, ReplyWaitSkipsOtherLinesAndHoldsHalfASecondAfterTheReply) {
    HMWaitForOK(2000, "OK");
    int32_t start = ElapsedTime();
    EXPECT_EQ(HMReset(port), 0);  // the echo and a blank line come before OK
    EXPECT_GE(MillisecondsSince(start), 500);
    EXPECT_LT(MillisecondsSince(start), 1500);
    EXPECT_EQ(TakeSent(4), "ATZ\r");

    EXPECT_EQ(HMSendString(port, "ATI4"), 0);  // three lines of text before OK

    HMWaitForOK(2000, "CONNECT");
    start = ElapsedTime();
    EXPECT_EQ(HMSendString(port, "ATA"), 0);
    EXPECT_GE(MillisecondsSince(start), kDialDelayMs + 500);
}

TEST_F(HMWaits, ReplyMustMatchAWholeLineInItsCase) {
    for (const char *reply : {"O", "ok", "OK "}) {
        HMWaitForOK(300, reply);
        const int32_t start = ElapsedTime();
        EXPECT_EQ(HMSetSpeaker(port, 1), PORTKIT_MODEM_NO_OK) << reply;
        EXPECT_GE(MillisecondsSince(start), 300) << reply;
        EXPECT_LT(MillisecondsSince(start), 1000) << reply;
        EXPECT_EQ(PWGetPortStatus(port), PORTKIT_MODEM_NO_OK);
        PWClearError(port);
    }
}

TEST_F(HMWaits, SilentModemGivesNoOKAtTheTimeOut) {
    EXPECT_EQ(HMReturnNoResultCodes(port, 1), 0);
    HMWaitForOK(400, "OK");
    int32_t start = ElapsedTime();
    EXPECT_EQ(HMSetSpeaker(port, 1), PORTKIT_MODEM_NO_OK);
    EXPECT_GE(MillisecondsSince(start), 400);
    PWClearError(port);

    modem->Pause(true);  // ATZ would bring result codes back; a paused modem says nothing
    start = ElapsedTime();
    EXPECT_EQ(HMReset(port), PORTKIT_MODEM_NO_OK);
    EXPECT_GE(MillisecondsSince(start), 400);
    EXPECT_LT(MillisecondsSince(start), 1200);
}

TEST_F(HMWaits, FixedDelayHoldsEveryWaitingCommandButNotTheDialCalls) {
    HMFixedDelay(150);
    for (int (*command)(PortStructure *) : {HMReset, HMGetFlagRegister}) {
        const int32_t start = ElapsedTime();
        EXPECT_GE(command(port), 0);
        EXPECT_GE(MillisecondsSince(start), 150);
        EXPECT_LT(MillisecondsSince(start), 800);
    }
    int32_t start = ElapsedTime();
    EXPECT_EQ(HMSetRegister(port, 7, 30), 0);
    EXPECT_GE(MillisecondsSince(start), 150);
    start = ElapsedTime();
    EXPECT_EQ(HMDialAndReturnToCommandMode(port, "5551234"), 0);
    EXPECT_LT(MillisecondsSince(start), 100);

    HMFixedDelay(0);
    start = ElapsedTime();
    EXPECT_EQ(HMReset(port), 0);
    EXPECT_LT(MillisecondsSince(start), 100);
}

// A queue held by flow control: the driver keeps reporting bytes in it.
class HMDrainWait : public ModemOnPty {
protected:
    void SetUp() override {
        ModemOnPty::SetUp();
        real_queue_count_ = port->functions.SpaceUsedInTXBuffer;
    }
    void TearDown() override {
        port->functions.SpaceUsedInTXBuffer = real_queue_count_;
        ModemOnPty::TearDown();
    }

    static inline int32_t drain_start = 0;

private:
    int (*real_queue_count_)(PortStructure *) = nullptr;
};

TEST_F(HMDrainWait, GivesUpWhenNothingLeavesForTwoSeconds) {
    port->functions.SpaceUsedInTXBuffer = [](PortStructure *) { return 7; };
    const int32_t start = ElapsedTime();
    EXPECT_EQ(HMSendStringNoWait(port, "ATZ", '\r'), PORTKIT_TIME_OUT);
    EXPECT_GE(MillisecondsSince(start), 1900);
    EXPECT_LT(MillisecondsSince(start), 4000);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_TIME_OUT);
    EXPECT_EQ(TakeSent(4), "ATZ\r");

    PWClearError(port);
    SetPortIdleFunctionPtr([](PortStructure *) { return -77; });
    EXPECT_EQ(HMReset(port), -77);
    EXPECT_EQ(PWGetPortStatus(port), -77);
}

TEST_F(HMDrainWait, WaitsOnWhileTheQueueStillMoves) {
    // One byte leaves every 600 ms: 2.4 s in all, but never 2 s without progress.
    port->functions.SpaceUsedInTXBuffer = [](PortStructure *) {
        return std::max(0, 4 - (ElapsedTime() - drain_start) / 600);
    };
    drain_start = ElapsedTime();
    EXPECT_EQ(HMSendStringNoWait(port, "ATZ", '\r'), 0);
    EXPECT_GE(MillisecondsSince(drain_start), 2400);
    EXPECT_EQ(PWGetPortStatus(port), 0);
}

// With nobody reading the pty its buffer fills. A kernel pty reports no
// queued output, so the driver refuses the write itself (-9) where a serial
// port would take it and then stall (-10); either way the call must end.
TEST_F(HMDrainWait, FullPtyEndsTheCallWithAFailure) {
    modem->Pause(true);
    const std::string block(1000, 'x');
    int written = 0;
    do {
        PWWriteBuffer(port, block.data(), static_cast<unsigned>(block.size()));
        written += PWGetPortCount(port);
        PortKillTime(port, 1);
    } while (PWGetPortCount(port) > 0 && written < (1 << 22));
    PWClearError(port);
    const int32_t start = ElapsedTime();
    const int result = HMSendStringNoWait(port, "ATZ", '\r');
    EXPECT_TRUE(result == PORTKIT_BUFFER_FULL || result == PORTKIT_TIME_OUT) << result;
    EXPECT_EQ(PWGetPortStatus(port), result);
    EXPECT_LT(MillisecondsSince(start), 4000);
}

}  // namespace
}  // namespace portkit::test
