// Output held for a transfer, on a kernel pty and on the simulated cable:
// held bytes stay off the line until something hands them over, every such
// moment does, a purge drops them, a full line keeps the rest for later, the
// queue's size does not cut a held write, and a hang-up ends a writer
// waiting for the line.
#include <gtest/gtest.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>
#include <string>

#include "platform/platform.h"
#include "platform/posix/comm/win32_comm.h"
#include "port/port_internal.h"
#include "portkit/serial.h"
#include "portkit/timedio.h"
#include "support/pty_pair.h"
#include "support/skipping_clock.h"

namespace portkit::test {
namespace {

constexpr int kPort = 40;     // COM41
constexpr int kFarPort = 41;  // COM42, the cable's other end
constexpr std::size_t kHeldBatch = 65536;

enum class Line { kPty, kSim };

class HeldOutput : public ::testing::TestWithParam<Line> {
protected:
    void SetUp() override { Open(); }
    void TearDown() override {
        if (port != nullptr) PWPortClose(port);
        if (far != nullptr) PWPortClose(far);
        SetDefaultBufferSize(1050, 1050);
    }

    void Open() {
        if (GetParam() == Line::kPty) {
            pty = std::make_unique<PtyPair>();
            pty->MapToPort(kPort);
        } else {
            const std::string cable =
                std::string("hold-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
            setenv("PORTKIT_COM41", ("sim:" + cable + ":a").c_str(), 1);
            setenv("PORTKIT_COM42", ("sim:" + cable + ":b").c_str(), 1);
            far = PortOpenMSWin32(kFarPort, 115200, 'N', 8, 1);
            ASSERT_EQ(PWGetPortStatus(far), 0);
        }
        port = PortOpenMSWin32(kPort, 115200, 'N', 8, 1);
        ASSERT_EQ(PWGetPortStatus(port), 0);
    }

    void WriteChars(const std::string &bytes) {
        for (const char c : bytes) ASSERT_EQ(PWWriteChar(port, static_cast<unsigned char>(c)), 0);
    }

    // What reached the far end: up to `count` bytes within `timeout_ms`.
    std::string Arrived(std::size_t count, int timeout_ms = 2000) {
        if (pty) return pty->ReadMaster(count, timeout_ms);
        std::string got;
        const int32_t deadline = DeadlineAfter(timeout_ms);
        char chunk[1024];
        while (got.size() < count && !DeadlineReached(deadline)) {
            const unsigned want = static_cast<unsigned>(std::min(sizeof chunk, count - got.size()));
            if (PWReadBuffer(far, chunk, want) == 0) {
                got.append(chunk, static_cast<std::size_t>(PWGetPortCount(far)));
            } else {
                PortKillTime(far, 1);
            }
        }
        return got;
    }
    bool NothingArrived() { return Arrived(1, 30).empty(); }

    std::unique_ptr<PtyPair> pty;
    PortStructure *port = nullptr;
    PortStructure *far = nullptr;
};

struct Handover {
    const char *name;
    void (*run)(PortStructure *port);
};

const Handover kHandovers[] = {
    {"idle wait", [](PortStructure *port) { PortKillTime(port, 2); }},
    {"second look", [](PortStructure *port) { PWSpaceUsedInRXBuffer(port); }},
    {"read from an empty queue",
     [](PortStructure *port) {
         char c = 0;
         win32_imitation::DWORD n = 0;
         win32_imitation::ReadFile(PortMSWin32GetCommHandle(port), &c, 1, &n, nullptr);
     }},
    {"line operation", [](PortStructure *port) { PWSetRts(port, 1); }},
    {"holding ends", [](PortStructure *port) { platform::HoldPortOutput(port, false); }},
};

TEST_P(HeldOutput, HeldBytesWaitUntilHandedOverAndEveryHandoverSendsThem) {
    WriteChars("plain");
    EXPECT_EQ(Arrived(5), "plain");  // without holding, written through
    for (const Handover &handover : kHandovers) {
        PortKillTime(port, 1);  // the line is seen drained
        platform::HoldPortOutput(port, true);
        WriteChars("abc");
        // One look straight after writing leaves them held, and counts them as queued.
        EXPECT_EQ(PWSpaceUsedInTXBuffer(port), 3) << handover.name;
        EXPECT_TRUE(NothingArrived()) << handover.name;
        handover.run(port);
        EXPECT_EQ(Arrived(3), "abc") << handover.name;
    }
    platform::HoldPortOutput(port, true);
    WriteChars("bye");
    PWPortClose(port);
    port = nullptr;
    EXPECT_EQ(Arrived(3), "bye");
}

TEST_P(HeldOutput, AFullBatchGoesAtOnceAndAPurgeDropsWhatIsHeld) {
    platform::HoldPortOutput(port, true);
    const std::string batch(kHeldBatch, 'b');
    WriteChars(batch.substr(1));
    EXPECT_TRUE(NothingArrived());
    WriteChars("b");
    // The batch left without a handover; what the line could not take yet
    // follows with idle turns.
    std::string got = Arrived(1, 200);
    EXPECT_EQ(got, "b");
    const int32_t deadline = DeadlineAfter(5000);
    while (got.size() < batch.size() && !DeadlineReached(deadline)) {
        PortKillTime(port, 1);
        got += Arrived(batch.size() - got.size(), 5);
    }
    EXPECT_TRUE(got == batch) << got.size() << " of " << batch.size() << " bytes";
    WriteChars("junk");
    EXPECT_EQ(PWClearTXBuffer(port), 0);
    WriteChars("ok");
    PortKillTime(port, 2);
    EXPECT_EQ(Arrived(6, 200), "ok");
}

// The queue's size (1050 here) does not cut a held write: a ZMODEM subpacket
// of 1,100 bytes is taken whole, not in a write, an idle turn and another.
TEST_P(HeldOutput, AHeldWriteLargerThanTheQueueIsTakenWhole) {
    platform::HoldPortOutput(port, true);
    std::string block(1100, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7);
    EXPECT_EQ(PWWriteBuffer(port, block.data(), static_cast<unsigned>(block.size())), 0);
    EXPECT_EQ(PWGetPortCount(port), 1100);
    EXPECT_TRUE(NothingArrived());
    PortKillTime(port, 2);
    EXPECT_TRUE(Arrived(block.size()) == block);
}

TEST_P(HeldOutput, WhatAFullLineRefusesStaysHeldAndArrivesLaterInOrder) {
    PWPortClose(port);
    if (far != nullptr) PWPortClose(far);
    port = far = nullptr;
    SetDefaultBufferSize(4096, 65536);
    Open();
    platform::HoldPortOutput(port, true);
    std::string data(1 << 18, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131 + i / 251);
    std::size_t accepted = 0;
    for (int call = 0; call < 100; ++call) {
        PWWriteBuffer(port, data.data() + accepted, static_cast<unsigned>(data.size() - accepted));
        if (PWGetPortCount(port) <= 0) break;
        accepted += static_cast<std::size_t>(PWGetPortCount(port));
    }
    ASSERT_GT(accepted, 0u);
    ASSERT_LT(accepted, data.size());           // the far end reads nothing, so the line fills
    EXPECT_GT(PWSpaceUsedInTXBuffer(port), 0);  // bytes the line refused, still held
    std::string received;
    const int32_t deadline = DeadlineAfter(5000);
    while (received.size() < accepted && !DeadlineReached(deadline)) {
        received += Arrived(accepted - received.size(), 5);
        PortKillTime(port, 1);
    }
    EXPECT_TRUE(received == data.substr(0, accepted)) << received.size() << " of " << accepted << " bytes";
}

// A writer that stops with more held than the line takes at once (no look,
// read or wait after its last write) still gets it all to the far end when
// holding ends.
TEST_P(HeldOutput, WhatIsStillHeldWhenHoldingEndsReachesTheFarEnd) {
    std::string data(3 * kHeldBatch, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 13 + i / 509);
    std::string received;
    std::thread reader([&] { received = Arrived(data.size(), 5000); });
    platform::HoldPortOutput(port, true);
    for (std::size_t at = 0; at < data.size();) {
        PWWriteBuffer(port, data.data() + at, static_cast<unsigned>(data.size() - at));
        at += static_cast<std::size_t>(std::max(PWGetPortCount(port), 0));
        if (at < data.size()) RunIdleHook(port);
    }
    platform::HoldPortOutput(port, false);
    reader.join();
    EXPECT_TRUE(received == data) << received.size() << " of " << data.size() << " bytes";
}

// The far end stops reading while a full batch waits for the line, then
// hangs up: the writer hears of it at its next try, and waits end at once.
TEST(HeldOutputOnAVanishingLine, AHangUpWhileABatchWaitsEndsTheWriteAndTheWaits) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    for (int fd : {master, slave}) {
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
    setenv("PORTKIT_COM41", ("fd:" + std::to_string(slave)).c_str(), 1);
    PortStructure *port = PortOpenMSWin32(kPort, 115200, 'N', 8, 1);
    ASSERT_EQ(PWGetPortStatus(port), 0);
    close(slave);
    platform::HoldPortOutput(port, true);
    const std::string chunk(kHeldBatch, 'x');
    int result = 0;
    for (int call = 0; call < 64 && result == 0; ++call) {
        result = PWWriteBuffer(port, chunk.data(), static_cast<unsigned>(chunk.size()));
    }
    ASSERT_EQ(result, PORTKIT_BUFFER_FULL);  // the line is full and the batch too
    EXPECT_EQ(PortKillTime(port, 5), 0);     // a turn that waits for room, and finds none
    close(master);
    int after = PORTKIT_BUFFER_FULL;
    for (int call = 0; call < 3 && after == PORTKIT_BUFFER_FULL; ++call) {
        PortKillTime(port, 1);
        after = PWWriteBuffer(port, "y", 1);
    }
    EXPECT_LT(after, 0);
    EXPECT_NE(after, PORTKIT_BUFFER_FULL);
    const SkippingClock clock;
    const int32_t start = ElapsedTime();
    EXPECT_LT(ReadCharTimed(port, 5000), 0);
    EXPECT_LT(ElapsedTime() - start, 2500);
    PWPortClose(port);
}

INSTANTIATE_TEST_SUITE_P(Lines, HeldOutput, ::testing::Values(Line::kPty, Line::kSim),
                         [](const ::testing::TestParamInfo<Line> &info) {
                             return info.param == Line::kPty ? "Pty" : "SimulatedCable";
                         });

}  // namespace
}  // namespace portkit::test
