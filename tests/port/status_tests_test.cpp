// Queue tests with their restore rules, and the modem and line bit tests.
#include <gtest/gtest.h>

#include "support/fake_driver.h"

namespace portkit::test {
namespace {

class StatusTests : public ::testing::Test {
protected:
    void SetUp() override { port = OpenFakePort(&state); }
    void TearDown() override { PWPortClose(port); }
    FakeDriverState state;
    PortStructure *port = nullptr;
};

TEST_F(StatusTests, UncountableQueuesReadAsDrainedAndNeverFullWithStatusKept) {
    port->status = -10;
    EXPECT_EQ(IsTXEmpty(port), 1);
    EXPECT_EQ(PWGetPortStatus(port), -10);
    EXPECT_EQ(IsRXFull(port), 0);
    EXPECT_EQ(PWGetPortStatus(port), -10);
}

TEST_F(StatusTests, TxFullAndRxEmptyPassNotSupportedThrough) {
    PortStructure *bare = OpenBarePort();
    EXPECT_EQ(IsTXFull(bare), PORTKIT_NOT_SUPPORTED);
    EXPECT_EQ(PWGetPortStatus(bare), PORTKIT_NOT_SUPPORTED);
    PWClearError(bare);
    EXPECT_EQ(IsRXEmpty(bare), PORTKIT_NOT_SUPPORTED);
    EXPECT_EQ(PWGetPortStatus(bare), PORTKIT_NOT_SUPPORTED);
    PWPortClose(bare);
}

TEST_F(StatusTests, QueueCountsGiveOneOrZero) {
    state.tx_free = 0;
    EXPECT_EQ(IsTXFull(port), 1);
    state.tx_free = 10;
    EXPECT_EQ(IsTXFull(port), 0);
    state.rx_used = 0;
    EXPECT_EQ(IsRXEmpty(port), 1);
    state.rx_used = 3;
    EXPECT_EQ(IsRXEmpty(port), 0);
    state.tx_free = -1;
    EXPECT_EQ(IsTXFull(port), -1);
}

TEST_F(StatusTests, OtherNegativeCodesFromCountsArePassedThrough) {
    port->functions.SpaceUsedInTXBuffer = [](PortStructure *) { return -1; };
    port->functions.SpaceFreeInRXBuffer = [](PortStructure *) { return -2; };
    EXPECT_EQ(IsTXEmpty(port), -1);
    EXPECT_EQ(IsRXFull(port), -2);
    port->functions.SpaceUsedInTXBuffer = [](PortStructure *) { return 4; };
    port->functions.SpaceFreeInRXBuffer = [](PortStructure *) { return 0; };
    EXPECT_EQ(IsTXEmpty(port), 0);
    EXPECT_EQ(IsRXFull(port), 1);
}

TEST_F(StatusTests, ModemLineTestsAnswerTheBitValue) {
    state.modem_status = 0xF0;
    EXPECT_EQ(GetCts(port), 0x10);
    EXPECT_EQ(GetDsr(port), 0x20);
    EXPECT_EQ(GetRi(port), 0x40);
    EXPECT_EQ(GetCd(port), 0x80);
    state.modem_status = 0x10;
    EXPECT_EQ(GetCd(port), 0);
    state.modem_status = -13;
    EXPECT_EQ(GetCd(port), -13);
    EXPECT_EQ(GetCts(port), -13);
}

TEST_F(StatusTests, LineErrorTestsAnswerTheBitValue) {
    state.line_status = 0x1E;
    EXPECT_EQ(GetOverrunError(port), 0x02);
    EXPECT_EQ(GetParityError(port), 0x04);
    EXPECT_EQ(GetFramingError(port), 0x08);
    EXPECT_EQ(GetBreakDetect(port), 0x10);
    state.line_status = 0x08;
    EXPECT_EQ(GetBreakDetect(port), 0);
    state.line_status = PORTKIT_NOT_SUPPORTED;
    EXPECT_EQ(GetFramingError(port), PORTKIT_NOT_SUPPORTED);
}

}  // namespace
}  // namespace portkit::test
