// File stamps in the process's own time zone: the time StampFileTime sets is
// the time the list of files to send reads back, and a time it refuses
// leaves the file alone.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch_files.h"
#include "transfer/file_list.h"

namespace portkit::test {
namespace {

namespace fs = std::filesystem;

FileList EntryFor(const std::string &path) {
    FileList entry{};
    std::snprintf(entry.path_name, sizeof entry.path_name, "%s", path.c_str());
    ProcessTXFile(&entry);
    return entry;
}

TEST(StampFileTime, TheStampReadsBackAsTheSameLocalTime) {
    TempDirectory dir;
    const std::string path = dir / "stamped.bin";
    for (const int month : {1, 7}) {  // winter and summer
        const std::int32_t local = CreateUnixTime(2021, month, 10, 8, 30, 15);
        std::FILE *file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("still in the buffer", file);
        EXPECT_EQ(transfer::StampFileTime(file, local), local);
        std::fclose(file);  // must write nothing more, or the stamp is lost
        const FileList entry = EntryFor(path);
        EXPECT_EQ(entry.size, 19);
        EXPECT_EQ(entry.time, local);
        EXPECT_EQ(std::vector<int>({entry.year, entry.month, entry.day, entry.hour, entry.minute, entry.second}),
                  std::vector<int>({2021, month, 10, 8, 30, 15}));
    }
}

TEST(StampFileTime, RefusesUnknownTimesAndLeavesTheFileAlone) {
    TempDirectory dir;
    const std::string path = dir / "kept.bin";
    std::FILE *file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    const fs::file_time_type then = fs::last_write_time(path) - std::chrono::hours(24 * 400);
    fs::last_write_time(path, then);
    EXPECT_EQ(transfer::StampFileTime(file, -1), -1);
    EXPECT_EQ(transfer::StampFileTime(nullptr, 100), -1);
    std::fclose(file);
    EXPECT_EQ(fs::last_write_time(path), then);
}

}  // namespace
}  // namespace portkit::test
