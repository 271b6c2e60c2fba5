// ZMODEM batches over a noisy line: sz to our receiver, our sender to rz, and
// our two engines to each other, through a relay that flips bits in, drops
// and inserts bytes both ways. A run may fail, but only with a transfer
// status, and nothing reported as received may differ from what was sent.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "portkit/serial.h"
#include "portkit/transfer.h"
#include "support/batch_files.h"
#include "support/noisy_relay.h"
#include "support/peer_process.h"

namespace portkit::test {
namespace {

constexpr int kNearPort = 52;
constexpr int kFarPort = 53;
// About 250 KB in three files.
const std::vector<std::size_t> kSizes = {150000, 70000, 30001};
constexpr int kPeerExitMs = 3000;
using Seconds = std::chrono::seconds;

enum class Pairing { kSzToOurs, kOursToRz, kOursToOurs };

const char *NameOf(Pairing pairing) {
    switch (pairing) {
        case Pairing::kSzToOurs:
            return "sz -> ours";
        case Pairing::kOursToRz:
            return "ours -> rz";
        case Pairing::kOursToOurs:
            return "ours -> ours";
    }
    return "?";
}

// A run still going at its deadline is stopped through the abort hook.
std::chrono::steady_clock::time_point run_deadline;
int StopAtDeadline(TransferRecord *) {
    return std::chrono::steady_clock::now() >= run_deadline ? PORTKIT_XFER_USER_ABORT : 0;
}

// One log per port, so engines on two threads never write to the same one.
PortStructure *far_port = nullptr;
std::string near_log;
std::string far_log;
void Log(const char *line, TransferRecord *record) {
    (far_port != nullptr && record->port == far_port ? far_log : near_log) += std::string(line) + "\n";
}

bool IsTransferStatus(int result) { return result <= PORTKIT_XFER_NO_BUFFER && result >= PORTKIT_XFER_ENGINE_FAILED; }

class ZmodemOverNoise : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        files = MakeBatch(dir, "send", kSizes, 0);
        SetAbortXferFunctionPtr(StopAtDeadline);
    }
    void TearDown() override {
        SetAbortXferFunctionPtr(nullptr);
        chdir("/");
    }

    // One batch over a fresh relay; true when every file arrived whole and
    // every engine of ours said so. The outcome is checked and printed.
    bool Run(Pairing pairing, unsigned one_in, unsigned seed, Seconds limit) {
        std::filesystem::remove_all(dir / "recv");
        mkdir((dir / "recv").c_str(), 0755);
        near_log.clear();
        far_log.clear();
        NoisyRelay relay(one_in, seed);
        relay.MapNearToPort(kNearPort);
        PortStructure *near = PortOpenMSWin32(kNearPort, 115200, 'N', 8, 1);
        EXPECT_EQ(PWGetPortStatus(near), 0);
        const auto started = std::chrono::steady_clock::now();
        run_deadline = started + limit;
        const bool ours_send = pairing != Pairing::kSzToOurs;
        const bool ours_receive = pairing != Pairing::kOursToRz;
        int sent = 0;
        int received = 0;
        std::unique_ptr<PeerProcess> peer;
        if (pairing == Pairing::kOursToOurs) {
            relay.MapFarToPort(kFarPort);
            far_port = PortOpenMSWin32(kFarPort, 115200, 'N', 8, 1);
            EXPECT_EQ(PWGetPortStatus(far_port), 0);
            EXPECT_EQ(chdir((dir / "recv").c_str()), 0);
            std::thread receiver([&] { received = Receive(far_port); });
            sent = Send(near);
            receiver.join();
            PWPortClose(far_port);
            far_port = nullptr;
        } else if (pairing == Pairing::kSzToOurs) {
            peer = std::make_unique<PeerProcess>(relay.FarCommand("cd send && exec sz -q *"), dir.path());
            EXPECT_EQ(chdir((dir / "recv").c_str()), 0);
            received = Receive(near);
        } else {
            peer = std::make_unique<PeerProcess>(relay.FarCommand("cd recv && exec rz -q"), dir.path());
            sent = Send(near);
        }
        EXPECT_EQ(chdir(dir.path().c_str()), 0);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const int peer_status = peer != nullptr ? peer->Wait(kPeerExitMs) : 0;
        PWPortClose(near);
        relay.Stop();

        const int whole = CountWholeFiles(ours_receive);
        if (ours_send) ExpectHonest(sent, whole);
        if (ours_receive) ExpectHonest(received, whole);
        std::printf(
            "%-12s 1/%-5u seed %u: sender %4d, receiver %4d, peer %3d; %d of %zu files whole in %.1f s\n"
            "    %s\n",
            NameOf(pairing), one_in, seed, sent, received, peer_status, whole, files.size(), seconds,
            relay.Summary().c_str());
        return whole == static_cast<int>(files.size()) && sent >= 0 && received >= 0;
    }

    int Send(PortStructure *port) {
        std::string patterns;
        for (const BatchFile &file : files) patterns += dir / ("send/" + file.name) + " ";
        return ZmodemSendWithOptions(port, patterns.c_str(), Log, nullptr, 0);
    }
    static int Receive(PortStructure *port) { return ZmodemReceiveWithOptions(port, Log, nullptr, 0); }

    // An engine's file count is a claim that every file arrived whole; a
    // failure is one of the transfer statuses.
    void ExpectHonest(int result, int whole) {
        if (result >= 0) {
            EXPECT_EQ(result, static_cast<int>(files.size())) << Logs();
            EXPECT_EQ(whole, static_cast<int>(files.size())) << "reported received, but damaged or missing";
        } else {
            EXPECT_TRUE(IsTransferStatus(result)) << result << Logs();
        }
    }

    // The files received whole. Our receiver (`strict`) must also leave
    // nothing but names from the batch, each holding a start of its file.
    int CountWholeFiles(bool strict) {
        int whole = 0;
        for (const auto &entry : std::filesystem::directory_iterator(dir / "recv")) {
            const std::string name = entry.path().filename().string();
            const BatchFile *original = nullptr;
            for (const BatchFile &file : files) {
                if (file.name == name) original = &file;
            }
            if (original == nullptr) {
                if (strict) ADD_FAILURE() << "a file that was never sent: " << name;
                continue;
            }
            const std::string data = ReadFile(entry.path().string());
            if (data == original->data) {
                ++whole;
            } else if (strict) {
                EXPECT_EQ(data, original->data.substr(0, data.size())) << name << " holds bytes never sent";
            }
        }
        return whole;
    }

    static std::string Logs() { return "\n--- near end\n" + near_log + "--- far end\n" + far_log; }

    TempDirectory dir;
    std::vector<BatchFile> files;
};

// A fault every 10,000 bytes or so costs a few resends, and now and then a
// header, which takes one of the engines' ten-second waits to make good.
TEST_F(ZmodemOverNoise, OurEnginesRecoverFromRareFaults) {
    EXPECT_TRUE(Run(Pairing::kOursToOurs, 10000, 1, Seconds(35))) << Logs();
}

// How often each pairing gets through within a few seconds is printed; a
// failure must be a clean one.
TEST_F(ZmodemOverNoise, EveryPairingDeliversOrFailsCleanly) {
    struct Rate {
        unsigned one_in;
        std::vector<unsigned> seeds;
        Seconds limit;
    };
    const Rate rates[] = {{10000, {2, 3}, Seconds(8)}, {1000, {2}, Seconds(5)}};
    std::string table;
    for (const Rate &rate : rates) {
        for (const Pairing pairing : {Pairing::kSzToOurs, Pairing::kOursToRz, Pairing::kOursToOurs}) {
            int delivered = 0;
            for (const unsigned seed : rate.seeds) delivered += Run(pairing, rate.one_in, seed, rate.limit) ? 1 : 0;
            table += std::string("  ") + NameOf(pairing) + " at 1/" + std::to_string(rate.one_in) + ": " +
                     std::to_string(delivered) + " of " + std::to_string(rate.seeds.size()) + " delivered\n";
        }
    }
    std::printf("%s", table.c_str());
}

}  // namespace
}  // namespace portkit::test
