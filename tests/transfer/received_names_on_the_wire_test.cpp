// Names from the wire, end to end: our receivers against a scripted sender
// naming files outside the receive directory or through a symbolic link.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/kermit_peer.h"
#include "support/peer_process.h"
#include "support/xmodem_peer.h"
#include "support/zmodem_peer.h"

namespace portkit::test {
namespace {

namespace fs = std::filesystem;

// ---- On the wire: a YMODEM batch naming files outside the receive directory ----

using ReceivedNamesOnTheWire = XmodemPeerTest;

TEST_F(ReceivedNamesOnTheWire, YmodemHeaderNamesStayInsideTheReceiveDirectory) {
    // We receive into root/one/inbox; "../../evil" would be root/evil.
    const fs::path inbox = root() / "one" / "inbox";
    fs::create_directories(inbox);
    fs::current_path(inbox);
    const std::string absolute = (root() / "abs").string();
    const std::string evil = RandomBytes(100, 1);
    const std::string abs = RandomBytes(100, 2);

    Start([](PortStructure *port) { return YmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, 0); });
    SendYmodemFile(peer, "../../evil", "100", evil);
    SendYmodemFile(peer, absolute, "100", abs);
    EndYmodemBatch(peer);
    EXPECT_EQ(Finish(), 2) << TransferLog::Text();
    EXPECT_EQ(FilesBelow(root()), (std::vector<std::string>{"one/inbox/abs", "one/inbox/evil"}));
    EXPECT_EQ(ReadFile("evil"), evil);
    EXPECT_EQ(ReadFile("abs"), abs);

    // Keeping paths, the absolute one is recreated below the inbox.
    fs::remove("evil");
    fs::remove("abs");
    Start([](PortStructure *port) {
        return YmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, PORTKIT_XFER_KEEP_PATHS, 0);
    });
    SendYmodemFile(peer, "../../evil", "100", evil);
    SendYmodemFile(peer, absolute, "100", abs);
    EndYmodemBatch(peer);
    EXPECT_EQ(Finish(), 2) << TransferLog::Text();
    const std::string kept_absolute = (fs::path("one/inbox") / absolute.substr(1)).string();
    std::vector<std::string> expected{"one/inbox/evil", kept_absolute};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesBelow(root()), expected);
    EXPECT_EQ(ReadFile(absolute.substr(1)), abs);
}

// ---- On the wire: a received name that is a symbolic link here ----

// The receive directory holds "link", pointing outside it. A sender naming a
// file "link" must not write through it, whatever the protocol and whether
// or not paths are kept: the open is refused and the transfer fails.
class SymbolicLinkOnTheWire : public XmodemPeerTest {
protected:
    void SetUp() override {
        XmodemPeerTest::SetUp();
        fs::create_directories(root() / "inbox");
        fs::create_directories(root() / "elsewhere");
        WriteFile((root() / "elsewhere" / "target").string(), "keep me");
        fs::create_symlink("../elsewhere/target", root() / "inbox" / "link");
        fs::create_symlink("../elsewhere/new", root() / "inbox" / "dangling");
        fs::current_path(root() / "inbox");
    }

    void ExpectNothingWrittenOutside() {
        EXPECT_EQ(ReadFile((root() / "elsewhere" / "target").string()), "keep me");
        EXPECT_FALSE(fs::exists(root() / "elsewhere" / "new"));
        EXPECT_TRUE(TransferLog::Text().find("symbolic link") != std::string::npos) << TransferLog::Text();
    }

    ZmodemPeer zmodem{peer};
    KermitPeer kermit{peer};
};

TEST_F(SymbolicLinkOnTheWire, YmodemRefusesToWriteThroughIt) {
    for (const int keep : {0, static_cast<int>(PORTKIT_XFER_KEEP_PATHS)}) {
        for (const char *name : {"link", "dangling"}) {
            TransferLog::Clear();
            Start([keep](PortStructure *port) {
                return YmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, keep, 0);
            });
            ASSERT_EQ(peer.Get(), 'C');
            peer.Send(MakeFrame(0, YmodemHeaderData(name, "7")));
            EXPECT_EQ(Finish(), PORTKIT_XFER_OPEN_FAILED) << name;
            ExpectNothingWrittenOutside();
            while (!peer.Quiet(50)) {
            }
        }
    }
}

TEST_F(SymbolicLinkOnTheWire, ZmodemRefusesToWriteThroughIt) {
    for (const int keep : {0, static_cast<int>(PORTKIT_XFER_KEEP_PATHS)}) {
        for (const char *name : {"link", "dangling"}) {
            TransferLog::Clear();
            Start([keep](PortStructure *port) {
                return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, keep, 0);
            });
            ASSERT_EQ(zmodem.ReadHeader().type, kZRINIT);
            zmodem.SendBinary(kZFILE);
            zmodem.SendData(std::string(name) + '\0' + "7 0 0", kZCRCW);
            EXPECT_EQ(Finish(), PORTKIT_XFER_OPEN_FAILED) << name;
            ExpectNothingWrittenOutside();
            while (!peer.Quiet(50)) {
            }
        }
    }
}

TEST_F(SymbolicLinkOnTheWire, KermitRefusesToWriteThroughIt) {
    for (const int keep : {0, static_cast<int>(PORTKIT_XFER_KEEP_PATHS)}) {
        for (const char *name : {"link", "dangling"}) {
            TransferLog::Clear();
            Start([keep](PortStructure *port) {
                return KermitReceiveWithOptions(port, TransferLog::Hook, nullptr, keep, 0);
            });
            kermit.Send(0, 'S', "~* @-#N1~(");
            ASSERT_EQ(kermit.Read().type, 'Y');
            kermit.Send(1, 'F', name);
            EXPECT_EQ(kermit.Read().type, 'E');
            EXPECT_EQ(Finish(), PORTKIT_XFER_OPEN_FAILED) << name;
            ExpectNothingWrittenOutside();
        }
    }
}

}  // namespace
}  // namespace portkit::test
