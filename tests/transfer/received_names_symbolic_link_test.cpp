// A received name whose directory part is a symbolic link planted in the
// receive directory is refused: the link could lead anywhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/scratch_files.h"
#include "transfer/received_names.h"

namespace portkit::test {
namespace {

namespace fs = std::filesystem;
using transfer::MakeSafeReceivedName;

std::string Safe(const std::string &received, bool keep_paths) {
    char out[256];
    if (!MakeSafeReceivedName(received.c_str(), keep_paths, out, sizeof out)) return "<refused>";
    return out;
}

using ReceivedNameLinks = InScratchDirectory;

TEST_F(ReceivedNameLinks, APlantedSymbolicLinkIsNotFollowed) {
    TempDirectory outside;
    fs::create_directory_symlink(outside.path(), "link");
    EXPECT_EQ(Safe("link/x", true), "<refused>");
    EXPECT_EQ(Safe("link/deeper/x", true), "<refused>");
    EXPECT_TRUE(fs::is_empty(outside.path()));
    // Without paths the link is just a stripped directory part.
    EXPECT_EQ(Safe("link/x", false), "x");
}

}  // namespace
}  // namespace portkit::test
