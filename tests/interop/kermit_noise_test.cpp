// Kermit with long packets and sliding windows over a noisy line, our two
// engines to each other: packets damaged, cut short or lost inside a window
// are asked for and sent again, and every file arrives whole.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "portkit/serial.h"
#include "portkit/transfer.h"
#include "support/batch_files.h"
#include "support/noisy_relay.h"
#include "support/scratch_files.h"

namespace portkit::test {
namespace {

constexpr int kNearPort = 54;
constexpr int kFarPort = 55;
constexpr int kModern = PORTKIT_XFER_KERMIT_LONG_PACKETS_AND_WINDOWS;

// A run still going at its deadline is stopped through the abort hook.
std::chrono::steady_clock::time_point run_deadline;
std::string logs[2];
PortStructure *far_port = nullptr;
void Log(const char *line, TransferRecord *record) {
    logs[record->port == far_port ? 1 : 0] += std::string(line) + "\n";
}

int StopAtDeadline(TransferRecord *) {
    return std::chrono::steady_clock::now() >= run_deadline ? PORTKIT_XFER_USER_ABORT : 0;
}

TEST(KermitOverNoise, WindowsRecoverLostAndDamagedPackets) {
    TempDirectory dir;
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    const std::vector<BatchFile> files = MakeBatch(dir, "send", {200000, 60000, 1}, 12345);  // no name with blanks
    std::string names;
    // Absolute: the receiver changes the directory of the whole process.
    for (const BatchFile &file : files) names += dir / ("send/" + file.name + ",");
    SetAbortXferFunctionPtr(StopAtDeadline);
    run_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);

    // About one byte in 40,000 hit each way, some twenty in all. A lost
    // packet the receiver cannot tell is missing costs a time-out (10 s).
    NoisyRelay relay(40000, 17);
    relay.MapNearToPort(kNearPort);
    relay.MapFarToPort(kFarPort);
    PortStructure *near = PortOpenMSWin32(kNearPort, 115200, 'N', 8, 1);
    PortStructure *far = PortOpenMSWin32(kFarPort, 115200, 'N', 8, 1);
    far_port = far;
    mkdir((dir / "recv").c_str(), 0755);
    int received = 0;
    std::thread receiver([&] {
        ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
        received = KermitReceiveWithOptions(far, Log, nullptr, kModern, 0);
    });
    const int sent = KermitSendWithOptions(near, names.c_str(), Log, nullptr, kModern, 0);
    receiver.join();
    relay.Stop();
    PWPortClose(near);
    PWPortClose(far);
    SetAbortXferFunctionPtr(nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);

    EXPECT_GT(relay.TowardFar().faults(), 1u) << relay.Summary();
    std::printf("%s\n", relay.Summary().c_str());
    EXPECT_EQ(sent, 3) << relay.Summary() << "\nsender:\n" << logs[0] << "\nreceiver:\n" << logs[1];
    EXPECT_EQ(received, 3) << relay.Summary();
    for (const BatchFile &file : files) {
        EXPECT_TRUE(ReadFile(dir / ("recv/" + file.name)) == file.data) << file.name << " " << relay.Summary();
    }
    chdir("/");
}

}  // namespace
}  // namespace portkit::test
