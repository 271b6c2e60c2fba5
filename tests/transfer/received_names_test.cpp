// Names that come from the wire: whatever the sender claims, what we create
// stays below the directory we receive into.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "portkit/transfer.h"
#include "support/scratch_files.h"
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

// A scratch directory as the current directory, for the names that create
// directories.
using ReceivedNames = InScratchDirectory;

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
        "",    ".",    "..",       "/",      "\\",       "C:",         "C:\\", "../..",
        "./.", "a\nb", "\x1b[2Jx", "tab\tx", "del\x7fx", "bell\a.txt", "x\r",  std::string("x\x01y"),
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

TEST(ReceivedNamesUnhidden, EveryPartBeginningWithADotGetsAnUnderscore) {
    struct Case {
        const char *given, *unhidden;
        bool changed;
    };
    for (const Case &c : {Case{".bash_login", "_bash_login", true}, Case{"..x", "_.x", true},
                          Case{".ssh/authorized_keys", "_ssh/authorized_keys", true}, Case{"a/.b/.c", "a/_b/_c", true},
                          Case{"plain.txt", "plain.txt", false}, Case{"dir/file.", "dir/file.", false}}) {
        char name[64];
        std::strcpy(name, c.given);
        EXPECT_EQ(transfer::UnhideName(name), c.changed) << c.given;
        EXPECT_STREQ(name, c.unhidden);
    }
}

TEST(ReceivedNamesXferStripPathComponent, KeepsWhatFollowsTheLastSeparatorOrDrive) {
    const std::pair<const char *, const char *> cases[] = {
        {"D:\\DIR\\FILE.TXT", "FILE.TXT"},
        {"A:FILE", "FILE"},
        {"FILE", "FILE"},
        {"dir/file", "file"},
        {"a\\b/c", "c"},
        {"C:\\", ""},
        {"dir\\", ""},
        {"", ""},
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

}  // namespace
}  // namespace portkit::test
