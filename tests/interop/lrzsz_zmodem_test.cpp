// ZMODEM against lrzsz's sz and rz over a pty pair: batches both ways, and
// an interrupted transfer resumed from where it stopped.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "portkit/serial.h"
#include "portkit/transfer.h"
#include "support/batch_files.h"
#include "support/peer_process.h"
#include "support/peer_test.h"

namespace portkit::test {
namespace {

const std::vector<std::size_t> kSizes = {0, 1, 1023, 1024, 1025, 4096, 3u << 20};

using ZmodemAgainstLrzsz = PeerTransferTest;

TEST_F(ZmodemAgainstLrzsz, BatchToRz) {
    const std::vector<BatchFile> files = MakeBatch(dir, "send", kSizes, 1025);
    // Blanks separate names in a list of files to send; a wildcard reaches the
    // name that has them.
    std::string patterns;
    for (const BatchFile &file : files) {
        patterns += file.name.find(' ') == std::string::npos ? "send/" + file.name + " " : "send/with?blank* ";
    }
    PortStructure *port = Start({"sh", "-c", "cd recv && exec rz -q -y"});
    Finish(port, ZmodemSendWithOptions(port, patterns.c_str(), Log, nullptr, 0), static_cast<int>(files.size()));
    ExpectReceived(dir, "recv", files);
}

TEST_F(ZmodemAgainstLrzsz, SzBatchToOurReceiver) {
    const std::vector<BatchFile> files = MakeBatch(dir, "send", kSizes, 1025);
    PortStructure *port = Start({"sh", "-c", "cd send && exec sz -q *"});
    ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
    Finish(port, ZmodemReceiveWithOptions(port, Log, nullptr, 0), static_cast<int>(files.size()));
    ExpectReceived(dir, "recv", files);
}

// sz -e escapes every control character and opens with a ZSINIT; the XON
// that ends each of its hex headers is flow control, never data.
TEST_F(ZmodemAgainstLrzsz, SzEscapingControlCharactersToOurReceiver) {
    const std::vector<BatchFile> files = MakeBatch(dir, "send", {1, 5000, 70000}, 0);
    PortStructure *port = Start({"sh", "-c", "cd send && exec sz -q -e *"});
    ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
    Finish(port, ZmodemReceiveWithOptions(port, Log, nullptr, 0), static_cast<int>(files.size()));
    ExpectReceived(dir, "recv", files);
}

TEST_F(ZmodemAgainstLrzsz, HalfDuplexAndSmallWindowToRz) {
    const std::vector<BatchFile> files = MakeBatch(dir, "send", {70000}, 0);
    for (int option : {PORTKIT_XFER_ZMODEM_HALF_DUPLEX, PORTKIT_XFER_ZMODEM_WINDOW}) {
        std::remove((dir / "recv/file70000.bin").c_str());
        PortStructure *port = Start({"sh", "-c", "cd recv && exec rz -q -y"});
        const int result = option == PORTKIT_XFER_ZMODEM_WINDOW
                               ? ZmodemSendWithOptions(port, "send/file70000.bin", Log, nullptr, option, 1024, 0)
                               : ZmodemSendWithOptions(port, "send/file70000.bin", Log, nullptr, option, 0);
        Finish(port, result, 1);
        ExpectReceived(dir, "recv", files);
    }
}

// A transfer cut off halfway leaves part of the file; resuming asks only for
// the rest, and the result is the whole file.
TEST_F(ZmodemAgainstLrzsz, ResumeAfterInterruptedTransferFromSz) {
    const std::string data = RandomBytes(600000, 5);
    WriteFile(dir / "big.bin", data);
    WriteFile(dir / "recv/big.bin", data.substr(0, 250000));
    PortStructure *port = Start({"sz", "-q", "big.bin"});
    ASSERT_EQ(chdir((dir / "recv").c_str()), 0);
    Finish(port, ZmodemReceiveWithOptions(port, Log, nullptr, PORTKIT_XFER_ZMODEM_RESUME, 0), 1);
    EXPECT_EQ(ReadFile(dir / "recv/big.bin"), data);
    EXPECT_NE(transfer_log.find("Resuming at offset 250000"), std::string::npos) << transfer_log;
    EXPECT_EQ(transfer_log.find("ReadFileData: read @0\n"), std::string::npos) << "data before the offset was sent";
}

TEST_F(ZmodemAgainstLrzsz, ResumeToRz) {
    const std::string data = RandomBytes(600000, 6);
    WriteFile(dir / "big.bin", data);
    WriteFile(dir / "recv/big.bin", data.substr(0, 400000));
    PortStructure *port = Start({"sh", "-c", "cd recv && exec rz -q -r"});
    Finish(port, ZmodemSendWithOptions(port, "big.bin", Log, nullptr, PORTKIT_XFER_ZMODEM_RESUME, 0), 1);
    EXPECT_EQ(ReadFile(dir / "recv/big.bin"), data);
    EXPECT_EQ(transfer_log.find("SendDataFrame: sending @0\n"), std::string::npos) << "started from the beginning";
}

}  // namespace
}  // namespace portkit::test
