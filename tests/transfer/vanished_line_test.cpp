// Every engine over a line that goes away, that floods, or whose idle hook
// calls for a stop: the transfer ends at once with the reason, never after
// running its time-outs out, and never as a success it was not.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "support/kermit_peer.h"
#include "support/peer_process.h"
#include "support/zmodem_peer.h"

namespace portkit::test {
namespace {

using Clock = std::chrono::steady_clock;

// ZFILE data: name, NUL, length, time, mode.
std::string ZfileData(const std::string &name, std::size_t length) {
    return name + '\0' + std::to_string(length) + " 0 0";
}

class VanishedLine : public XmodemPeerTest {
protected:
    ZmodemPeer zmodem{peer};
    KermitPeer kermit{peer};
};

// ---- The far end hangs up mid-transfer ----

TEST_F(VanishedLine, ReceiversEndAtOnceWhenTheSenderHangsUp) {
    Start([](PortStructure *port) { return YmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    ASSERT_EQ(peer.Get(), 'C');
    peer.Send(MakeFrame(0, YmodemHeaderData("y.bin", "1000")));
    ASSERT_EQ(peer.Get(), kAck);
    ASSERT_EQ(peer.Get(), 'C');
    peer.Send(MakeFrame(1, std::string(128, 'y')));
    ASSERT_EQ(peer.Get(), kAck);
    HangUpPeer();
    EXPECT_EQ(Finish(2000), PORTKIT_XFER_LOST_CARRIER) << TransferLog::Text();
}

TEST_F(VanishedLine, ZmodemReceiverEndsAtOnceWhenTheSenderHangsUp) {
    Start([](PortStructure *port) { return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    ASSERT_EQ(zmodem.ReadHeader().type, kZRINIT);
    zmodem.SendBinary(kZFILE);
    zmodem.SendData(ZfileData("z.bin", 5000), kZCRCW);
    ASSERT_EQ(zmodem.ReadHeader().Describe(), "ZRPOS 0");
    zmodem.SendBinary(kZDATA, At(0));
    zmodem.SendData(std::string(1024, 'z'), kZCRCG);
    HangUpPeer();
    EXPECT_EQ(Finish(2000), PORTKIT_XFER_LOST_CARRIER) << TransferLog::Text();
}

TEST_F(VanishedLine, KermitReceiverEndsAtOnceWhenTheSenderHangsUp) {
    Start([](PortStructure *port) { return KermitReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    kermit.Send(0, 'S', "~* @-#N1~(");
    ASSERT_EQ(kermit.Read().type, 'Y');
    kermit.Send(1, 'F', "k.bin");
    ASSERT_EQ(kermit.Read().type, 'Y');
    HangUpPeer();
    EXPECT_EQ(Finish(2000), PORTKIT_XFER_LOST_CARRIER) << TransferLog::Text();
}

TEST_F(VanishedLine, SendersEndAtOnceWhenTheReceiverHangsUp) {
    WriteFile("out.bin", RandomBytes(20000, 3));

    Start([](PortStructure *port) { return XmodemSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, 0); });
    peer.Send('C');
    ASSERT_TRUE(peer.ReadFrame().check_ok);
    HangUpPeer();
    EXPECT_EQ(Finish(2000), PORTKIT_XFER_LOST_CARRIER) << TransferLog::Text();
}

TEST_F(VanishedLine, ZmodemAndKermitSendersEndAtOnceWhenTheReceiverHangsUp) {
    WriteFile("out.bin", RandomBytes(20000, 3));
    Start([](PortStructure *port) { return ZmodemSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, 0); });
    ASSERT_EQ(zmodem.ReadHeader().type, kZRQINIT);
    zmodem.SendHex(kZRINIT, ReceiverInit(0, kCANFDX | kCANOVIO | kCANFC32));
    ASSERT_EQ(zmodem.ReadHeader().type, kZFILE);
    HangUpPeer();
    EXPECT_EQ(Finish(2000), PORTKIT_XFER_LOST_CARRIER) << TransferLog::Text();
}

TEST_F(VanishedLine, KermitSenderEndsAtOnceWhenTheReceiverHangsUp) {
    WriteFile("out.bin", RandomBytes(20000, 3));
    Start([](PortStructure *port) { return KermitSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, 0); });
    ASSERT_EQ(kermit.Read().type, 'S');
    HangUpPeer();
    EXPECT_EQ(Finish(2000), PORTKIT_XFER_LOST_CARRIER) << TransferLog::Text();
}

// After our ZFIN the sender's "OO" is all that is left: a sender that has
// gone by then has had everything, as rz holds too.
TEST_F(VanishedLine, ZmodemReceiverSucceedsWhenTheSenderHangsUpInsteadOfSayingOver) {
    Start([](PortStructure *port) { return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    ASSERT_EQ(zmodem.ReadHeader().type, kZRINIT);
    zmodem.SendBinary(kZFILE);
    zmodem.SendData(ZfileData("z.bin", 10), kZCRCW);
    ASSERT_EQ(zmodem.ReadHeader().Describe(), "ZRPOS 0");
    zmodem.SendFrame("0123456789", 0);
    zmodem.SendBinary(kZEOF, At(10));
    ASSERT_EQ(zmodem.ReadHeader().type, kZRINIT);
    zmodem.SendHex(kZFIN);
    ASSERT_EQ(zmodem.ReadHeader().type, kZFIN);
    const int32_t hung_up = ElapsedTime();
    HangUpPeer();
    EXPECT_EQ(Finish(2000), 1) << TransferLog::Text();
    EXPECT_LT(ElapsedTime() - hung_up, 1500);  // not the 2.5 s of an "OO" wait
    EXPECT_EQ(ReadFile("z.bin"), "0123456789");
}

// ---- The end of a transfer that is never acknowledged ----

// Carrier low is every three-wire cable: it is no sign that the receiver has
// had everything. The EOT is sent again and the sender gives up.
TEST_F(VanishedLine, AnUnacknowledgedEotWithCarrierLowIsAFailure) {
    WriteFile("out.bin", std::string(100, 'x'));
    Start([](PortStructure *port) {
        return XmodemSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, PORTKIT_XFER_RESPONSE_TIMEOUT, 100,
                                     0);
    });
    peer.SetDtr(false);  // a three-wire cable: our carrier detect reads low
    peer.Send('C');
    ASSERT_TRUE(peer.ReadFrame().check_ok);
    peer.Send(kAck);
    int eots = 0;
    for (int c = peer.Get(); c == kEot; c = peer.Get(2000)) ++eots;  // the last Get reads the cancel
    EXPECT_GE(eots, 2);
    EXPECT_LT(Finish(), 0) << TransferLog::Text();
    EXPECT_FALSE(TransferLog::Has("Receiver hung up after the end of the transfer"));
}

// A receiver that hangs up right after our EOT has had the whole file.
TEST_F(VanishedLine, AReceiverHangingUpAfterTheEotHasHadEverything) {
    WriteFile("out.bin", std::string(100, 'x'));
    Start([](PortStructure *port) { return XmodemSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, 0); });
    peer.Send('C');
    ASSERT_TRUE(peer.ReadFrame().check_ok);
    peer.Send(kAck);
    ASSERT_EQ(peer.Get(), kEot);
    HangUpPeer();
    EXPECT_EQ(Finish(2000), 1) << TransferLog::Text();
    EXPECT_TRUE(TransferLog::Has("Receiver hung up after the end of the transfer"));
}

// ---- A stop asked for by the idle hook reaches the result ----

std::atomic<int> idle_turns{0};
int AbortAfterSomeTurns(PortStructure *) { return ++idle_turns > 50 ? PORTKIT_USER_ABORT : 0; }

class IdleHookStop : public VanishedLine {
protected:
    void SetUp() override {
        VanishedLine::SetUp();
        idle_turns = 0;
        SetPortIdleFunctionPtr(AbortAfterSomeTurns);
    }
    void TearDown() override {
        SetPortIdleFunctionPtr(nullptr);
        VanishedLine::TearDown();
    }
};

TEST_F(IdleHookStop, EveryReceiverEndsWithTheHooksCode) {
    using Receiver = int (*)(PortStructure *);
    const Receiver receivers[] = {
        [](PortStructure *port) { return XmodemReceiveWithOptions(port, "x.bin", TransferLog::Hook, nullptr, 0); },
        [](PortStructure *port) { return YmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); },
        [](PortStructure *port) { return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); },
        [](PortStructure *port) { return KermitReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); },
    };
    for (Receiver receive : receivers) {
        idle_turns = 0;
        Start(receive);
        EXPECT_EQ(Finish(3000), PORTKIT_USER_ABORT) << TransferLog::Text();
        TransferLog::Clear();
    }
}

// The hook's stop also ends a wait the ZMODEM receiver spends hunting
// through noise, rather than being taken for more noise.
TEST_F(IdleHookStop, ZmodemHuntThroughNoiseEndsWithTheHooksCode) {
    Start([](PortStructure *port) { return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    peer.Send(std::string(200, 'n'));
    EXPECT_EQ(Finish(3000), PORTKIT_USER_ABORT) << TransferLog::Text();
}

// ---- A flood of garbage ----

// Once the receiver has given up, its clean-up must not read on for as long
// as the garbage keeps coming.
TEST_F(VanishedLine, AGarbageFloodDoesNotHoldTheReceiverAfterItGivesUp) {
    std::atomic<bool> flooding{true};
    Start([](PortStructure *port) {
        return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, PORTKIT_XFER_ZMODEM_RETRY_LIMIT, 2, 0);
    });
    std::thread flood([&] {
        const std::string noise = RandomBytes(4096, 7);
        const auto stop = Clock::now() + std::chrono::seconds(30);
        while (flooding && Clock::now() < stop) peer.TrySend(noise);
    });
    const int result = Finish(15000);
    flooding = false;
    flood.join();
    EXPECT_LT(result, 0) << TransferLog::Text();
}

}  // namespace
}  // namespace portkit::test
