// What a receiver does with the files it writes, against lrzsz's senders and
// receivers: a copy that is here already is kept or renamed on request, a
// file is written under ".NAME.part" until it is whole, and permission bits
// travel in the file headers both ways.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "portkit/transfer.h"
#include "support/peer_test.h"

namespace portkit::test {
namespace {

namespace fs = std::filesystem;

using ReceivedFiles = PeerTransferTest;

unsigned PermissionsOf(const std::string &path) {
    struct stat status {};
    EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

TEST_F(ReceivedFiles, ACopyHereIsKeptWhenAskedAndTheRestOfTheBatchArrives) {
    WriteFile(dir / "old.txt", "the sender's version");
    WriteFile(dir / "new.txt", "a file the receiver lacks");
    WriteFile(dir / "recv/old.txt", "ours, to keep");
    for (const char *sender : {"sz -q old.txt new.txt", "sb -q old.txt new.txt"}) {
        SCOPED_TRACE(sender);
        std::remove((dir / "recv/new.txt").c_str());
        PortStructure *port = Start({"sh", "-c", sender});
        ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
        const int result =
            std::string(sender).starts_with("sz")
                ? ZmodemReceiveWithOptions(port, Log, nullptr, PORTKIT_XFER_EXISTING_FILES, PORTKIT_EXISTING_SKIP, 0)
                : YmodemReceiveWithOptions(port, Log, nullptr, PORTKIT_XFER_EXISTING_FILES, PORTKIT_EXISTING_SKIP, 0);
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        Finish(port, result, 1);
        EXPECT_EQ(ReadFile(dir / "recv/old.txt"), "ours, to keep");
        EXPECT_EQ(ReadFile(dir / "recv/new.txt"), "a file the receiver lacks");
    }
}

TEST_F(ReceivedFiles, RenamingKeepsBothCopies) {
    WriteFile(dir / "report.txt", "new");
    WriteFile(dir / "recv/report.txt", "first");
    WriteFile(dir / "recv/report.txt.1", "second");
    PortStructure *port = Start({"sz", "-q", "report.txt"});
    ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
    Finish(port,
           ZmodemReceiveWithOptions(port, Log, nullptr, PORTKIT_XFER_EXISTING_FILES, PORTKIT_EXISTING_RENAME,
                                    PORTKIT_XFER_PARTIAL_NAMES, 0),
           1);
    EXPECT_EQ(ReadFile(dir / "recv/report.txt"), "first");
    EXPECT_EQ(ReadFile(dir / "recv/report.txt.1"), "second");
    EXPECT_EQ(ReadFile(dir / "recv/report.txt.2"), "new");
    EXPECT_FALSE(fs::exists(dir / "recv/.report.txt.2.part"));
}

TEST_F(ReceivedFiles, AnInterruptedFileKeepsItsPartialNameAndResumesFromIt) {
    const std::string data = RandomBytes(600000, 7);
    WriteFile(dir / "big.bin", data);
    PortStructure *port = Start({"sz", "-q", "big.bin"});
    ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
    const auto stop_midway = [](TransferRecord *record) {
        if (record->byte_total > 200000) record->status = PORTKIT_XFER_USER_ABORT;
        return 0;
    };
    const int stopped = ZmodemReceiveWithOptions(port, Log, stop_midway, PORTKIT_XFER_PARTIAL_NAMES, 0);
    EXPECT_EQ(stopped, PORTKIT_XFER_USER_ABORT) << transfer_log;
    PWPortClose(port);
    peer->Wait();
    EXPECT_FALSE(fs::exists("big.bin"));
    ASSERT_TRUE(fs::exists(".big.bin.part"));
    const auto kept = fs::file_size(".big.bin.part");
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, data.size());

    transfer_log.clear();
    port = Start({"sz", "-q", "big.bin"});
    const int resumed =
        ZmodemReceiveWithOptions(port, Log, nullptr, PORTKIT_XFER_PARTIAL_NAMES, PORTKIT_XFER_ZMODEM_RESUME, 0);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    Finish(port, resumed, 1);
    EXPECT_EQ(ReadFile(dir / "recv/big.bin"), data);
    EXPECT_FALSE(fs::exists(dir / "recv/.big.bin.part"));
    EXPECT_NE(transfer_log.find("Resuming at offset " + std::to_string(kept)), std::string::npos) << transfer_log;
}

TEST_F(ReceivedFiles, PermissionBitsTravelBothWaysButNeverSetUserId) {
    const mode_t mask = umask(022);
    WriteFile(dir / "tool.sh", "#!/bin/sh\necho hi\n");
    WriteFile(dir / "private.txt", "secret");
    chmod((dir / "tool.sh").c_str(), 04755);
    chmod((dir / "private.txt").c_str(), 0600);
    PortStructure *port = Start({"sz", "-q", "tool.sh", "private.txt"});
    ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
    const int received = ZmodemReceiveWithOptions(port, Log, nullptr, 0);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    Finish(port, received, 2);
    EXPECT_EQ(PermissionsOf(dir / "recv/tool.sh"), 0755u);
    EXPECT_EQ(PermissionsOf(dir / "recv/private.txt"), 0600u);

    fs::create_directory(dir / "recv2");
    chmod((dir / "tool.sh").c_str(), 0750);
    port = Start({"sh", "-c", "cd recv2 && exec rz -q"});
    Finish(port, ZmodemSendWithOptions(port, "tool.sh", Log, nullptr, 0), 1);
    EXPECT_EQ(PermissionsOf(dir / "recv2/tool.sh") & 0700, 0700u);
    umask(mask);
}

}  // namespace
}  // namespace portkit::test
