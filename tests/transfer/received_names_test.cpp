// Names that come from the wire: whatever the sender claims, what we create
// stays below the directory we receive into.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/kermit_peer.h"
#include "support/peer_process.h"
#include "support/xmodem_peer.h"
#include "support/zmodem_peer.h"
#include "transfer/received_names.h"

namespace portkit::test {
namespace {

namespace fs = std::filesystem;
using transfer::MakeSafeReceivedName;

// The safe name in a buffer of exactly `size` bytes (so ASan sees any write
// past it), or "<refused>".
std::string Safe(const std::string &received, bool keep_paths, std::size_t size = 256) {
    const auto out = std::make_unique<char[]>(size);
    if (!MakeSafeReceivedName(received.c_str(), keep_paths, out.get(), size)) return "<refused>";
    return out.get();
}

// Every regular file below `directory`, relative to it.
std::vector<std::string> FilesBelow(const fs::path &directory) {
    std::vector<std::string> files;
    for (const auto &entry : fs::recursive_directory_iterator(directory)) {
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), directory).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A scratch directory as the current directory, for the names that create
// directories.
class ReceivedNames : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        fs::current_path(scratch_.path());
    }
    void TearDown() override { fs::current_path(previous_); }

    TempDirectory scratch_;
    fs::path previous_;
};

TEST_F(ReceivedNames, WithoutPathsOnlyTheLastPartIsKept) {
    const std::pair<const char *, const char *> cases[] = {
        {"file.txt", "file.txt"},
        {"../x", "x"},
        {"/etc/x", "x"},
        {"C:\\x", "x"},
        {"C:x", "x"},
        {"a/../../x", "x"},
        {"..\\..\\x", "x"},
        {"dir/sub/file", "file"},
        {"\\\\server\\share\\file", "file"},
        {"x/..", "x"},
        {"./x/.", "x"},
        {"name with blanks.txt", "name with blanks.txt"},
        {"caf\xc3\xa9.txt", "caf\xc3\xa9.txt"},  // bytes above 127 are not control characters
    };
    for (const auto &[received, expected] : cases) EXPECT_EQ(Safe(received, false), expected) << received;
    EXPECT_TRUE(FilesBelow(".").empty());
    EXPECT_TRUE(fs::is_empty("."));  // and no directory made either
}

TEST_F(ReceivedNames, KeptPathsLoseRootsDrivesAndDotDotAndTheirDirectoriesAreMade) {
    const std::pair<const char *, const char *> cases[] = {
        {"../x", "x"},
        {"/etc/x", "etc/x"},
        {"C:\\x", "x"},
        {"a/../../x", "a/x"},
        {"..\\..\\x", "x"},
        {"dir/sub/file", "dir/sub/file"},
        {"dir\\sub\\other", "dir/sub/other"},
        {"D:\\DIR\\FILE.TXT", "DIR/FILE.TXT"},
        {"//two//slashes", "two/slashes"},
        {"./here/./x", "here/x"},
    };
    for (const auto &[received, expected] : cases) EXPECT_EQ(Safe(received, true), expected) << received;
    for (const char *directory : {"dir", "dir/sub", "etc", "a", "DIR", "two", "here"}) {
        EXPECT_TRUE(fs::is_directory(directory)) << directory;
    }
    // Only the directories: the files are the caller's to create.
    EXPECT_TRUE(FilesBelow(".").empty());
    EXPECT_FALSE(fs::exists("dir/sub/file"));
}

TEST_F(ReceivedNames, EmptyControlAndDotNamesAreRefused) {
    const std::string refused[] = {
        "",     ".",        "..",        "/",      "\\",       "C:",          "C:\\",        "../..",
        "./.",  "a\nb",     "\x1b[2Jx",  "tab\tx", "del\x7fx", "bell\a.txt",  "x\r",         std::string("x\x01y"),
    };
    for (const std::string &name : refused) {
        EXPECT_EQ(Safe(name, false), "<refused>") << "without paths: " << testing::PrintToString(name);
        EXPECT_EQ(Safe(name, true), "<refused>") << "with paths: " << testing::PrintToString(name);
    }
    EXPECT_FALSE(MakeSafeReceivedName(nullptr, false, nullptr, 0));
    char none[1] = {'z'};
    EXPECT_FALSE(MakeSafeReceivedName("file", false, none, 0));
    EXPECT_EQ(none[0], 'z');  // a buffer of no size is not written
    EXPECT_TRUE(fs::is_empty("."));
}

TEST_F(ReceivedNames, LongNamesAreCutToTheBuffer) {
    const std::string long_name(300, 'n');
    EXPECT_EQ(Safe(long_name, false, 256), std::string(255, 'n'));
    EXPECT_EQ(Safe("dir/" + long_name, false, 65), std::string(64, 'n'));
    EXPECT_EQ(Safe(long_name, true, 2), "n");
    // A cut that ends on a separator leaves the directory part as the name.
    EXPECT_EQ(Safe("abc/defgh", true, 5), "abc");
    EXPECT_FALSE(fs::exists("abc"));  // not made a directory: the name is a file now
}

// A cut must not leave a ".." (or ".") where the name's last part was.
TEST_F(ReceivedNames, ACutNeverLeavesADotDotPart) {
    const std::string with_paths = Safe("a/..b", true, 5);
    EXPECT_NE(with_paths, "a/..");
    EXPECT_NE(Safe("..b", false, 3), "..");
    EXPECT_NE(Safe(".b", false, 2), ".");
}

// A directory part that is a symbolic link could lead anywhere.
TEST_F(ReceivedNames, APlantedSymbolicLinkIsNotFollowed) {
    TempDirectory outside;
    fs::create_directory_symlink(outside.path(), "link");
    EXPECT_EQ(Safe("link/x", true), "<refused>");
    EXPECT_EQ(Safe("link/deeper/x", true), "<refused>");
    EXPECT_TRUE(fs::is_empty(outside.path()));
    // Without paths the link is just a stripped directory part.
    EXPECT_EQ(Safe("link/x", false), "x");
}

TEST(ReceivedNamesXferStripPathComponent, KeepsWhatFollowsTheLastSeparatorOrDrive) {
    const std::pair<const char *, const char *> cases[] = {
        {"D:\\DIR\\FILE.TXT", "FILE.TXT"}, {"A:FILE", "FILE"},     {"FILE", "FILE"},
        {"dir/file", "file"},              {"a\\b/c", "c"},        {"C:\\", ""},
        {"dir\\", ""},                     {"", ""},
    };
    for (const auto &[path, expected] : cases) {
        std::vector<char> name(path, path + std::strlen(path) + 1);
        const char *stripped = XferStripPathComponent(name.data());
        EXPECT_STREQ(stripped, expected) << path;
        // A pointer into the caller's string, not a copy.
        EXPECT_GE(stripped, name.data());
        EXPECT_LE(stripped, name.data() + name.size() - 1);
    }
}

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
            Start([keep](PortStructure *port) { return YmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, keep, 0); });
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
            Start([keep](PortStructure *port) { return ZmodemReceiveWithOptions(port, TransferLog::Hook, nullptr, keep, 0); });
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
            Start([keep](PortStructure *port) { return KermitReceiveWithOptions(port, TransferLog::Hook, nullptr, keep, 0); });
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
