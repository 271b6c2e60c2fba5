// The UUCP lock file's form, as other programs write and read it.
#include "tools/cli/lock_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace portkit::tool {
namespace {

TEST(LockFileTest, NamesTheDeviceByItsBaseName) {
    EXPECT_EQ(LockFileName("/dev/ttyUSB0"), "LCK..ttyUSB0");
    EXPECT_EQ(LockFileName("/dev/pts/3"), "LCK..3");
}

TEST(LockFileTest, WritesTheProcessIdInTenColumnsAndReadsItBack) {
    EXPECT_EQ(LockFileText(1234), "      1234\n");
    EXPECT_EQ(LockFileOwner(LockFileText(4194304)), 4194304);
    // Written by hand or by programs that do not pad.
    EXPECT_EQ(LockFileOwner("1234\n"), 1234);
    EXPECT_EQ(LockFileOwner("  1234  "), 1234);
}

TEST(LockFileTest, ReadsTheOlderBinaryForm) {
    const std::int32_t pid = 4660;
    char text[sizeof pid];
    std::memcpy(text, &pid, sizeof pid);
    EXPECT_EQ(LockFileOwner(std::string_view(text, sizeof text)), 4660);
}

TEST(LockFileTest, FindsNoOwnerInAnythingElse) {
    for (const char *text : {"", "\n", "          \n", "12ab\n", "-5\n", "0\n", "99999999999\n", "pid 12\n"}) {
        EXPECT_FALSE(LockFileOwner(text).has_value()) << "'" << text << "'";
    }
}

}  // namespace
}  // namespace portkit::tool
