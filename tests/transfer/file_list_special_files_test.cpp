// What the list of files to send makes of special files, and that it
// closes the searches it leaves: fifos, symbolic links and /proc/self/fd.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/file_list_scratch.h"

namespace portkit::test {
namespace {

// A pipe could block the opener forever; only regular files are yielded.
TEST(FileList, OnlyRegularFilesAreYielded) {
    Scratch dir;
    dir.Files({"data.bin"});
    ASSERT_EQ(mkfifo(dir("pipe.bin").c_str(), 0600), 0);
    ASSERT_EQ(symlink("nowhere", dir("dangling.bin").c_str()), 0);
    ASSERT_EQ(symlink("data.bin", dir("link.bin").c_str()), 0);
    EXPECT_EQ(AsSet(Collect(dir("*.bin"), 0)), AsSet({dir("data.bin"), dir("link.bin")}));
}

TEST(FileList, DestroyInTheMiddleClosesEverySearch) {
    auto open_descriptors = [] {
        int count = 0;
        for ([[maybe_unused]] const auto &fd : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
        return count;
    };
    Scratch dir;
    dir.Files({"a/b/c/x.txt", "a/b/c/y.txt"});
    const int before = open_descriptors();
    const std::string pattern = dir("*.txt");
    FileList *list = transfer::FileListCreate(pattern.c_str(), 1);
    ASSERT_EQ(list->next(list), 1);
    EXPECT_GT(open_descriptors(), before);  // searches open at four depths
    list->destroy(list);
    EXPECT_EQ(open_descriptors(), before);
}

}  // namespace
}  // namespace portkit::test
