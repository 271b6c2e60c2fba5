// Hosts that chatter without moving the transfer on: what they send counts
// toward the error limit, a stop is honoured while they do, and errors that
// a good packet followed do not add up over a long download.
#include <functional>

#include "tests/transfer/bplus_exchange.h"

namespace portkit::test {
namespace {

using bplus_script::Ack;
using bplus_script::Event;
using bplus_script::Packet;

constexpr int kChatterRounds = 200;

class BPlusHostileHost : public BPlusExchange {
protected:
    void TearDown() override {
        SetAbortXferFunctionPtr(nullptr);
        stop_when = nullptr;
        BPlusExchange::TearDown();
    }
    // Bytes of the script that arrive one idle turn apart, as from a host
    // that sends them at intervals.
    void Trickle(const std::string &piece, int times) {
        for (int i = 0; i < times; ++i) driver.Pause(1).Receive(piece);
    }
    static int StopWhenAsked(TransferRecord *) {
        return stop_when != nullptr && stop_when() ? PORTKIT_XFER_USER_ABORT : 0;
    }
    void StopWhen(std::function<bool()> condition) {
        stop_when = std::move(condition);
        SetAbortXferFunctionPtr(StopWhenAsked);
    }
    static inline std::function<bool()> stop_when;
};

struct Chatter {
    const char *what;
    std::string before;  // what comes first: the transfer request, or nothing
    std::string piece;   // then again and again, an idle turn apart
};

// A host that keeps talking but never sends the next packet gives up
// within the error limit, long before its chatter is through.
TEST_F(BPlusHostileHost, ChatterWithoutProgressEndsWithTooManyErrors) {
    const std::string request = Packet(3, "TDBchat.txt");
    const Chatter cases[] = {
        {"ENQ now and then during a download", request, std::string(1, bplus_script::kENQ)},
        {"ENQ now and then before the request", "", std::string(1, bplus_script::kENQ)},
        {"DLE ; pairs", request, "\x10;"},
        {"DLE ; pairs before the request", "", "\x10;"},
        {"a flood of stray bytes", request, std::string(1024, 'x')},
        {"a flood of DLE before the request", "", std::string(1024, bplus_script::kDLE)},
        {"acknowledgements of nothing", request, Ack(7)},
        {"the last packet again and again", request, Packet(3, "TDBchat.txt")},
    };
    for (const Chatter &c : cases) {
        SCOPED_TRACE(c.what);
        driver = ScriptedDriver{};
        PWPortClose(port);
        port = driver.Open();
        HostOpens();
        driver.Receive(c.before);
        Trickle(c.piece, kChatterRounds);
        const std::size_t chatter = driver.Unread();
        EXPECT_EQ(Run(), PORTKIT_XFER_TOO_MANY_ERRORS);
        // Ten errors' worth of it at most was read.
        EXPECT_GT(driver.Unread(), chatter / 2);
    }
}

// The stop check runs at every byte the host sends, so a stop is honoured
// in the middle of its chatter, and the host is told.
TEST_F(BPlusHostileHost, StopIsHonouredWhileTheHostChatters) {
    HostOpens();
    driver.Receive(Packet(3, "TDBstop.txt")).Receive(std::string(5000, 'x'));
    StopWhen([this] { return driver.Unread() < 4900; });
    EXPECT_EQ(Run(), PORTKIT_XFER_USER_ABORT);
    EXPECT_GT(driver.Unread(), 4000u);
    const auto packets = bplus_script::PacketsOf(Sent(0));
    ASSERT_FALSE(packets.empty());
    EXPECT_EQ(packets.back().data, "FA");
}

// ... and at every time-out of a wait, however short.
TEST_F(BPlusHostileHost, StopIsHonouredWhileTheHostIsSilent) {
    HostOpens();
    driver.Receive(Packet(3, "TDBquiet.txt"));
    StopWhen([this] { return driver.turns > 0; });
    EXPECT_EQ(Run(), PORTKIT_XFER_USER_ABORT);
    int naks = 0;
    for (const Event &e : Sent(0)) naks += e.kind == Event::kNak ? 1 : 0;
    EXPECT_EQ(naks, 0);
}

// Errors count while they follow one another: a long download with a
// damaged packet now and then, each sent again whole, arrives.
TEST_F(BPlusHostileHost, ScatteredErrorsDoNotEndALongDownload) {
    HostOpens();
    driver.Receive(Packet(3, "TDBlong.bin"));
    std::string expected;
    int sequence = 4;
    for (int i = 0; i < 2 * transfer::kErrorLimit; ++i) {
        const std::string data = "N" + std::string(100, static_cast<char>('a' + i % 26));
        std::string damaged = Packet(sequence, data);
        damaged[5] ^= 0x01;
        driver.Receive(damaged).Receive(Packet(sequence, data));
        expected += data.substr(1);
        sequence = (sequence + 1) % 10;
    }
    driver.Receive(Packet(sequence, "TC"));
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadFile("long.bin"), expected);
}

}  // namespace
}  // namespace portkit::test
