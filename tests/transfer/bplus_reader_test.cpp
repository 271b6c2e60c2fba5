// The packet reader on its own: acknowledgements of outstanding packets,
// the ENQ exchange, damaged packets and the ways a wait ends.
#include <cstring>

#include "tests/transfer/bplus_exchange.h"

namespace portkit::test {
namespace {

using bplus_script::Ack;
using bplus_script::Event;
using bplus_script::Packet;
using transfer::BPlusState;
using transfer::StateOf;

class BPlusReader : public BPlusExchange {
protected:
    void SetUp() override {
        BPlusExchange::SetUp();
        transfer::InitialiseRecord(&record, port, nullptr, nullptr, PORTKIT_BPLUS);
        std::memset(&record.protocol, 0, sizeof record.protocol);
        record.protocol.bplus.send_window = 1;
        record.protocol.bplus.receive_window = 1;
        ASSERT_TRUE(transfer::BPlusStart(&record));
    }
    void TearDown() override {
        transfer::BPlusFinish(&record);
        BPlusExchange::TearDown();
    }
    int Wait(bool wait = true, bool resend = true) {
        return transfer::_BPWaitForACK(wait, false, true, resend, &record);
    }
    void Queue(const std::string &data) {
        ASSERT_EQ(transfer::BPlusQueuePacket(&record, static_cast<int>(data.size()),
                                             reinterpret_cast<const unsigned char *>(data.data())),
                  0);
    }
    int Pending() { return StateOf(&record).pending_count; }

    TransferRecord record{};
};

TEST_F(BPlusReader, NoWaitReadOfNothingSaysSo) { EXPECT_EQ(Wait(false), PORTKIT_XFER_NO_CHARACTER); }

TEST_F(BPlusReader, OneAcknowledgementReleasesEveryEarlierPacket) {
    Queue("Na");
    Queue("Nb");
    Queue("Nc");
    ASSERT_EQ(Pending(), 3);
    driver.Receive(Ack(2));
    EXPECT_EQ(Wait(), 0);
    EXPECT_EQ(Pending(), 1);
    driver.Receive(Ack(2));  // a repeat releases nothing more
    EXPECT_EQ(Wait(), 0);
    EXPECT_EQ(Pending(), 1);
    driver.Receive(Ack(3));
    EXPECT_EQ(Wait(), 0);
    EXPECT_EQ(Pending(), 0);
}

// Silence with packets outstanding asks for the host's last ACK; its
// answer, given twice, sends what it has not acknowledged again.
TEST_F(BPlusReader, SilenceAsksWithEnqAndResendsWhatIsStillOutstanding) {
    Queue("Na");
    Queue("Nb");
    driver.sent.clear();
    driver.on_turn = [answered = false](ScriptedDriver &d) mutable {
        if (answered || d.sent.find(bplus_script::kENQ) == std::string::npos) return;
        d.Receive(Ack(1)).Receive(Ack(1)).Receive(Ack(2));
        answered = true;
    };
    EXPECT_EQ(Wait(), 0);
    EXPECT_EQ(Pending(), 0);
    const auto events = Sent(0);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0].kind, Event::kEnq);
    EXPECT_EQ(events[1].kind, Event::kEnq);
    const auto resent = bplus_script::PacketsOf(events);
    ASSERT_EQ(resent.size(), 1u);
    EXPECT_EQ(resent[0].sequence, 2);
    EXPECT_EQ(resent[0].data, "Nb");
}

TEST_F(BPlusReader, DamagedPacketsAreRefusedWithNak) {
    struct Case {
        const char *what;
        std::string wire;
        int naks;
    };
    std::string bad_check = Packet(1, "Nabc");
    bad_check.back() ^= 0x01;
    const std::string too_long =
        Packet(1, "N" + std::string(static_cast<std::size_t>(transfer::kBPlusBufferSize) + 10, 'x'));
    const Case cases[] = {
        {"bad check", bad_check, 1},
        {"early ETX", std::string(1, bplus_script::kETX), 1},
        // The rest of it is noise up to its ETX, which comes too early.
        {"longer than the buffer", too_long, 2},
        {"out of order", Packet(5, "Nabc"), 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        driver.sent.clear();
        record.error_count = 0;
        driver.Receive(c.wire).Receive(Packet(1, "Ngood"));
        EXPECT_EQ(Wait(), PORTKIT_XFER_BPLUS_PACKET);
        EXPECT_EQ(std::string(record.buffer, 5), "Ngood");
        EXPECT_GE(record.error_count, c.naks);
        // The limit is on errors that follow one another: a good packet ends the run.
        EXPECT_EQ(record.retry_count, 0);
        const auto events = Sent(0);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front().kind, Event::kNak);
        int naks = 0;
        for (const Event &e : events) naks += e.kind == Event::kNak ? 1 : 0;
        EXPECT_EQ(naks, c.naks);
        record.block_number = 0;
    }
}

TEST_F(BPlusReader, GivesUpAtTheErrorLimit) {
    for (int i = 0; i < 12; ++i) driver.Receive(std::string(1, bplus_script::kETX));
    EXPECT_EQ(Wait(), PORTKIT_XFER_TOO_MANY_ERRORS);
    EXPECT_EQ(record.status, PORTKIT_XFER_TOO_MANY_ERRORS);
}

TEST_F(BPlusReader, StopFromTheIdleHookEndsTheWait) {
    driver.abort_on_turn = 3;
    EXPECT_EQ(Wait(), PORTKIT_USER_ABORT);
}

using BPlusStartUp = BPlusExchange;

// A start that is stopped at once, as on a line already gone, gives back
// what it took; the leak checker watches the call through the entry point.
TEST_F(BPlusStartUp, AStoppedStartReleasesWhatItTook) {
    SetAbortXferFunctionPtr([](TransferRecord *) { return static_cast<int>(PORTKIT_XFER_LOST_CARRIER); });
    TransferRecord record;
    transfer::InitialiseRecord(&record, port, nullptr, nullptr, PORTKIT_BPLUS);
    std::memset(&record.protocol, 0, sizeof record.protocol);
    EXPECT_FALSE(transfer::BPlusStart(&record));
    EXPECT_EQ(record.status, PORTKIT_XFER_LOST_CARRIER);
    EXPECT_EQ(record.buffer, nullptr);
    EXPECT_EQ(record.protocol.bplus.bplus_state, nullptr);
    EXPECT_EQ(CompuServeBPlusWithOptions(port, nullptr, nullptr, 0), PORTKIT_XFER_LOST_CARRIER);
    SetAbortXferFunctionPtr(nullptr);
}

}  // namespace
}  // namespace portkit::test
