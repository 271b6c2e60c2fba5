// What the entry points do before any protocol work: option lists, names
// and files that cannot be used.
#include <gtest/gtest.h>

#include <fstream>

#include "support/xmodem_peer.h"

namespace portkit::test {
namespace {

class EntryPoints : public XmodemPeerTest {};

TEST_F(EntryPoints, AnOptionTheEntryPointDoesNotTakeFailsBeforeAnythingIsSent) {
    std::ofstream("out.bin") << "payload";
    // Resume is a ZMODEM option; XMODEM refuses it without opening anything.
    Start([](PortStructure *port) {
        return XmodemSendWithOptions(port, "out.bin", TransferLog::Hook, nullptr, PORTKIT_XFER_ZMODEM_RESUME, 0);
    });
    EXPECT_EQ(Finish(), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(TransferLog::Text(), "");
    EXPECT_EQ(peer.Get(200), kNothing);
}

TEST_F(EntryPoints, OptionsAreComparedOnTheirLowSixteenBits) {
    Start([](PortStructure *port) {
        // 1008 with high bits set still means "checksum": the receiver asks with NAK.
        return XmodemReceiveWithOptions(port, "in.bin", TransferLog::Hook, nullptr, 0x10000 | PORTKIT_XFER_CHECKSUM,
                                        PORTKIT_XFER_ABORT_KEY, 3, 0);
    });
    EXPECT_EQ(peer.Get(), kNak);
    peer.Send(std::string(2, static_cast<char>(kCan)));
    EXPECT_EQ(Finish(), PORTKIT_XFER_REMOTE_ABORT);
}

TEST_F(EntryPoints, AReceiveWithoutANameFailsToOpenAndCancels) {
    Start([](PortStructure *port) { return XmodemReceiveWithOptions(port, nullptr, TransferLog::Hook, nullptr, 0); });
    EXPECT_TRUE(peer.ReadCancel());
    EXPECT_EQ(Finish(), PORTKIT_XFER_OPEN_FAILED);
    EXPECT_TRUE(TransferLog::Has("Failed to open file")) << TransferLog::Text();
}

TEST_F(EntryPoints, NoMatchingFileMeansNoFilesWereSent) {
    Start([](PortStructure *port) {
        return XmodemSendWithOptions(port, "missing-*.bin", TransferLog::Hook, nullptr, 0);
    });
    EXPECT_EQ(Finish(), PORTKIT_XFER_NO_FILES);
}

// Every transfer call is refused without a port, before anything is touched.
TEST(EntryPointsWithoutAPort, EveryOneGivesInvalidParameter) {
    PortStructure *none = nullptr;
    EXPECT_EQ(XmodemSendWithOptions(none, "x.bin", nullptr, nullptr, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(XmodemReceiveWithOptions(none, "x.bin", nullptr, nullptr, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(Xmodem1KSendWithOptions(none, "x.bin", nullptr, nullptr, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(Xmodem1KReceiveWithOptions(none, "x.bin", nullptr, nullptr, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(YmodemSendWithOptions(none, "x.bin", nullptr, nullptr, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(YmodemReceiveWithOptions(none, nullptr, nullptr, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(ZmodemSendWithOptions(none, "x.bin", nullptr, nullptr, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(ZmodemReceiveWithOptions(none, nullptr, nullptr, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(KermitSendWithOptions(none, "x.bin", nullptr, nullptr, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(KermitReceiveWithOptions(none, nullptr, nullptr, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(AsciiSendWithOptions(none, "x.bin", nullptr, nullptr, nullptr, 0, 0, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(AsciiReceiveWithOptions(none, "x.bin", nullptr, nullptr, nullptr, 0, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(CompuServeBPlusWithOptions(none, nullptr, nullptr, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(CompuServeBPlusRespond(none, 1), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(CompuServeBPlusRespond(none, 0), PORTKIT_INVALID_PARAMETER);
}

}  // namespace
}  // namespace portkit::test
