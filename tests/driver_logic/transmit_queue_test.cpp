// The Windows driver's output on a device whose writes go pending and end
// as the test says: bytes reach the line whole, once and in the order
// written, however the device finishes its writes, and the counts say what
// the driver took.
#include <gtest/gtest.h>

#include <string>

#include "drivers/win32/transmit_queue.h"
#include "tests/driver_logic/scripted_device.h"

namespace portkit::test {
namespace {

using driver::TransmitQueue;

constexpr DWORD kRing = 4096;

std::string Letters(char first, std::size_t length) {
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) bytes += static_cast<char>(first + i % 26);
    return bytes;
}

class TransmitQueueOnScriptedDevice : public ::testing::Test {
protected:
    void SetUp() override {
        device::Reset();
        ASSERT_TRUE(driver::OpenTransmitQueue(&queue, kRing));
    }
    void TearDown() override { driver::CloseTransmitQueue(&queue, device::Handle(), &port); }

    // One buffer refilled for every call, as an application may do.
    DWORD Queue(const std::string &bytes) {
        buffer = bytes;
        DWORD taken = 0;
        EXPECT_EQ(driver::QueueOutput(&queue, device::Handle(), &port, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      kRing, &taken),
                  0);
        buffer.assign(buffer.size(), '\0');
        return taken;
    }
    int MoveOn() { return driver::MoveOutputOn(&queue, device::Handle(), &port); }

    // Finishes the newest write going first, as Wine may when one write is
    // still waiting for room and the next finds some; moves output on
    // between, until nothing is left.
    void FinishNewestFirst() {
        for (int turn = 0; turn < 100 && device::Pending() > 0; ++turn) {
            device::Finish(device::Pending() - 1);
            ASSERT_EQ(MoveOn(), 0);
        }
    }

    PortStructure port{};
    TransmitQueue queue{};
    std::string buffer;
};

TEST_F(TransmitQueueOnScriptedDevice, WritesReachTheLineInOrderWhateverOrderTheDeviceFinishesThem) {
    const std::string first = Letters('A', 1000), second = Letters('a', 1000), third = Letters('0', 50);
    EXPECT_EQ(Queue(first), 1000u);
    EXPECT_EQ(Queue(second), 1000u);
    EXPECT_EQ(Queue(third), 50u);
    // What waits behind the write going still counts as output not yet gone.
    COMSTAT system{};
    EXPECT_EQ(driver::TransmitQueueUsed(queue, system), 2050u);
    FinishNewestFirst();
    EXPECT_EQ(device::Line(), first + second + third);
    EXPECT_EQ(driver::TransmitQueueUsed(queue, system), 0u);
}

TEST_F(TransmitQueueOnScriptedDevice, AWriteThatEndsShortHasItsRestSent) {
    const std::string bytes = Letters('A', 1000);
    EXPECT_EQ(Queue(bytes), 1000u);
    ASSERT_EQ(device::Pending(), 1u);
    device::Finish(0, 600);
    ASSERT_EQ(MoveOn(), 0);
    FinishNewestFirst();
    EXPECT_EQ(device::Line(), bytes);
}

TEST_F(TransmitQueueOnScriptedDevice, WithNothingAheadOnlyWhatTheSystemTakesIsTaken) {
    device::FinishAtOnce(40);
    EXPECT_EQ(Queue(Letters('A', 100)), 40u);
    EXPECT_EQ(device::Line(), Letters('A', 40));
    COMSTAT system{};
    EXPECT_EQ(driver::TransmitQueueUsed(queue, system), 0u);
}

TEST_F(TransmitQueueOnScriptedDevice, ClosingAbortsTheWriteGoingAndDropsWhatWaits) {
    EXPECT_EQ(Queue(Letters('A', 1000)), 1000u);
    EXPECT_EQ(Queue(Letters('a', 1000)), 1000u);
    driver::DiscardOutput(&queue, device::Handle());
    EXPECT_EQ(device::Pending(), 0u);
    COMSTAT system{};
    EXPECT_EQ(driver::TransmitQueueUsed(queue, system), 0u);
    EXPECT_EQ(device::Line(), "");
}

}  // namespace
}  // namespace portkit::test
