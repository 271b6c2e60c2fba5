// A fixture for transfers against a real peer program: a scratch directory
// (current during the test, with recv/ in it), a zone away from UTC so that
// any slip between wire and local times shows, and the engine's log.
#ifndef PORTKIT_TESTS_SUPPORT_PEER_TEST_H
#define PORTKIT_TESTS_SUPPORT_PEER_TEST_H

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "portkit/serial.h"
#include "portkit/transfer.h"
#include "support/peer_process.h"
#include "support/time_zone.h"

namespace portkit::test {

class PeerTransferTest : public ::testing::Test {
protected:
    static constexpr int kPeerPort = 50;

    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        mkdir((dir / "recv").c_str(), 0755);
        transfer_log.clear();
    }

    // Starts the peer in the scratch directory and opens our end of its line.
    PortStructure *Start(const std::vector<std::string> &argv) {
        // The last peer goes first: closing its pty after the new pair is
        // made would close whatever has taken its descriptor number since.
        peer.reset();
        peer = std::make_unique<PeerProcess>(argv, dir.path());
        PortStructure *port = peer->OpenPort(kPeerPort);
        EXPECT_EQ(PWGetPortStatus(port), 0);
        return port;
    }

    // Both ends succeeded, ours with `expected_files`.
    void Finish(PortStructure *port, int result, int expected_files) {
        EXPECT_EQ(result, expected_files) << transfer_log << peer->Log();
        EXPECT_EQ(peer->Wait(), 0) << peer->Log();
        PWPortClose(port);
    }

    static void Log(const char *line, TransferRecord *) { transfer_log += std::string(line) + "\n"; }
    static inline std::string transfer_log;

    ScopedTimeZone zone{"America/New_York"};
    TempDirectory dir;
    std::unique_ptr<PeerProcess> peer;
};

}  // namespace portkit::test

#endif
