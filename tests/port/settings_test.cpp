// The settings record, its table, the allocation routines and the delay loop.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "port/port_internal.h"
#include "support/fake_driver.h"

namespace portkit::test {
namespace {

TEST(Settings, DefaultsOfTheProcessRecord) {
    DSInstanceData *settings = AddOrGetDSInstanceData();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(GetDSInstanceDataPtr(), settings);
    EXPECT_EQ(AddOrGetDSInstanceData(), settings);
    EXPECT_EQ(settings->abort_key, 27);
    EXPECT_EQ(settings->modem_abort_key, 0xFFFF);
    EXPECT_STREQ(settings->modem_reply, "OK");
    EXPECT_EQ(settings->marker[0], 0xC1);
    EXPECT_EQ(settings->marker[1], 0x41);
    EXPECT_EQ(settings->use_count, 1);
    EXPECT_EQ(settings->abort_modem_function(nullptr), 0);
}

TEST(Settings, SettersStoreIntoTheSharedRecord) {
    DSInstanceData *settings = AddOrGetDSInstanceData();
    SetDefaultBufferSize(4096, 2048);
    EXPECT_EQ(settings->rx_buffer_size, 4096);
    EXPECT_EQ(settings->tx_buffer_size, 2048);
    SetDefaultBufferSize(1050, 1050);
    SetDefaultAbortKey(3);
    EXPECT_EQ(settings->abort_key, 3);
    SetDefaultAbortKey(27);
}

TEST(Settings, TableHoldsAtMost255Records) {
    DSInstanceData *first = AddOrGetDSInstanceData();
    int added = 0;
    while (AddInstanceData() != nullptr) ++added;
    EXPECT_LE(added, 254);
    EXPECT_EQ(AddInstanceData(), nullptr);
    EXPECT_EQ(GetDSInstanceDataPtr(), first);  // lookup still finds the first
}

TEST(Allocation, BlocksAreZeroFilledAndNumberedOnesCheckThePortNumber) {
    auto *block = static_cast<unsigned char *>(AllocateXferBuffer(64));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(block[i], 0);
    FreeXferBuffer(block);
    FreeXferBuffer(nullptr);
    EXPECT_EQ(AllocateTXBuffer(-1, 16), nullptr);
    EXPECT_EQ(AllocateRXBuffer(35, 16), nullptr);
    EXPECT_EQ(AllocateDrossantPortStructure(35, 16), nullptr);
    void *numbered = AllocateRXBuffer(34, 16);
    EXPECT_NE(numbered, nullptr);
    FreeRXBuffer(34, numbered);
    FreeDrossantPortStructure(0, nullptr);
}

int idle_calls = 0;
int FailOnThirdCall(PortStructure *) { return ++idle_calls == 3 ? -16 : 0; }

class KillTime : public ::testing::Test {
protected:
    void SetUp() override {
        idle_calls = 0;
        port = OpenBarePort();
    }
    void TearDown() override {
        SetPortIdleFunctionPtr(nullptr);
        PWPortClose(port);
    }
    PortStructure *port = nullptr;
};

TEST_F(KillTime, ZeroAndNegativeDurationsReturnAtOnceWithoutTheHook) {
    SetPortIdleFunctionPtr(FailOnThirdCall);
    EXPECT_EQ(PortKillTime(port, 0), 0);
    EXPECT_EQ(PortKillTime(port, -5), 0);
    EXPECT_EQ(idle_calls, 0);
}

TEST_F(KillTime, HookFailingOnItsThirdCallEndsTheWaitThere) {
    SetPortIdleFunctionPtr(FailOnThirdCall);
    EXPECT_EQ(PortKillTime(port, 10000), -16);
    EXPECT_EQ(idle_calls, 3);
}

TEST_F(KillTime, WaitsAtLeastTheDurationCallingTheHook) {
    SetPortIdleFunctionPtr([](PortStructure *) { return ++idle_calls, 0; });
    const int32_t start = ElapsedTime();
    EXPECT_EQ(PortKillTime(port, 30), 0);
    EXPECT_GE(ElapsedTime() - start, 30);
    EXPECT_GT(idle_calls, 0);
}

TEST_F(KillTime, HookChangedDuringAWaitTakesEffectAtOnce) {
    SetPortIdleFunctionPtr([](PortStructure *) {
        SetPortIdleFunctionPtr([](PortStructure *) { return -42; });
        return 0;
    });
    EXPECT_EQ(PortKillTime(port, 10000), -42);
}

TEST(Deadlines, ComparisonIsCorrectAcrossTheTickWrap) {
    const int32_t just_before_wrap = INT32_MAX - 5;
    const int32_t deadline = static_cast<int32_t>(static_cast<uint32_t>(just_before_wrap) + 20u);
    EXPECT_FALSE(DeadlineReached(deadline, just_before_wrap));
    EXPECT_FALSE(DeadlineReached(deadline, INT32_MIN + 2));
    EXPECT_TRUE(DeadlineReached(deadline, INT32_MIN + 14));
    EXPECT_TRUE(DeadlineReached(deadline, INT32_MIN + 100));
}

TEST(TimeBase, AsitimeIsTheLocalSecondsField) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::time_t now = std::time(nullptr);
        const std::tm local = *std::localtime(&now);
        const int seconds = asitime();
        if (std::time(nullptr) != now) continue;  // a second boundary passed; look again
        EXPECT_EQ(seconds, local.tm_sec);
        return;
    }
}

}  // namespace
}  // namespace portkit::test
