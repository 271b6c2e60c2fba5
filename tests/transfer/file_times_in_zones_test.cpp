// Local-time values converted by the rules of a named zone, and file stamps
// read and written in it. Zones come from the tz database through TZ.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "support/scratch_files.h"
#include "transfer/file_list.h"

namespace portkit::test {
namespace {

// A scratch directory, removed with everything in it.
class Scratch {
public:
    std::string operator()(const std::string &relative) const { return directory_ / relative; }
    void Files(std::initializer_list<std::string> names, const std::string &content = "x") const {
        for (const std::string &name : names) {
            std::FILE *file = std::fopen((*this)(name).c_str(), "wb");
            std::fputs(content.c_str(), file);
            std::fclose(file);
        }
    }

private:
    TempDirectory directory_;
};

// Sets TZ for one test and puts the old zone back.
class ZoneTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (saved_ != nullptr) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    static void UseZone(const char *zone) {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    std::unique_ptr<std::string> saved_ =
        std::getenv("TZ") != nullptr ? std::make_unique<std::string>(std::getenv("TZ")) : nullptr;
};

using LocalUnixTime = ZoneTest;

TEST_F(LocalUnixTime, ConvertsByTheZoneRulesOfTheDate) {
    const std::int32_t july = CreateUnixTime(2020, 7, 1, 12, 0, 0);
    const std::int32_t january = CreateUnixTime(2020, 1, 15, 12, 0, 0);
    UseZone("America/New_York");
    EXPECT_EQ(transfer::LocalUnixToUtc(july), july + 4 * 3600);
    EXPECT_EQ(transfer::LocalUnixToUtc(january), january + 5 * 3600);
    EXPECT_EQ(transfer::UtcToLocalUnix(july + 4 * 3600), july);
    EXPECT_EQ(transfer::LocalUnixToUtc(INT32_MAX), INT32_MAX);  // saturates
    UseZone("Europe/Berlin");
    EXPECT_EQ(transfer::LocalUnixToUtc(july), july - 2 * 3600);
    EXPECT_EQ(transfer::UtcToLocalUnix(january - 3600), january);
    // Every quarter hour around New York's spring change, 2020-03-08 07:00 UTC.
    UseZone("America/New_York");
    const std::int32_t change = 1583650800;
    for (std::int32_t utc = change - 4 * 3600; utc <= change + 4 * 3600; utc += 900) {
        const std::int32_t local = transfer::UtcToLocalUnix(utc);
        EXPECT_EQ(local, utc - (utc < change ? 5 : 4) * 3600);
        EXPECT_EQ(transfer::LocalUnixToUtc(local), utc);
    }
}

TEST_F(LocalUnixTime, ListEntriesCarryTheLocalModificationTime) {
    Scratch dir;
    dir.Files({"dated.bin"}, std::string(1000, 'z'));
    const timespec times[2] = {{0, UTIME_OMIT}, {1593619200, 0}};  // 2020-07-01 16:00 UTC
    ASSERT_EQ(utimensat(AT_FDCWD, dir("dated.bin").c_str(), times, 0), 0);
    UseZone("America/New_York");
    FileList entry{};
    std::snprintf(entry.path_name, sizeof entry.path_name, "%s", dir("dated.bin").c_str());
    ProcessTXFile(&entry);
    EXPECT_EQ(entry.size, 1000);
    EXPECT_EQ(entry.time, CreateUnixTime(2020, 7, 1, 12, 0, 0));
    EXPECT_EQ(std::vector<int>({entry.year, entry.month, entry.day, entry.hour, entry.minute, entry.second}),
              std::vector<int>({2020, 7, 1, 12, 0, 0}));
}

using StampFileTimeInZones = ZoneTest;

// The file shows the sender's wall-clock time in either season, silently,
// and reading it back gives the value that was sent.
TEST_F(StampFileTimeInZones, SetsTheWallClockTimeInEverySeason) {
    Scratch dir;
    const std::string path = dir("stamped.bin");
    for (const char *zone : {"America/New_York", "Europe/Berlin", "Australia/Sydney"}) {
        UseZone(zone);
        for (std::int32_t local : {CreateUnixTime(2021, 1, 10, 8, 30, 15), CreateUnixTime(2021, 7, 10, 8, 30, 15)}) {
            std::FILE *file = std::fopen(path.c_str(), "wb");
            std::fputs("still in the buffer", file);
            testing::internal::CaptureStdout();
            EXPECT_EQ(transfer::StampFileTime(file, local), local);
            EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
            std::fclose(file);  // must write nothing more, or the stamp is lost

            struct stat status {};
            ASSERT_EQ(stat(path.c_str(), &status), 0);
            EXPECT_EQ(status.st_size, 19);
            std::tm wall{};
            localtime_r(&status.st_mtime, &wall);
            EXPECT_EQ(wall.tm_hour * 60 + wall.tm_min, 8 * 60 + 30) << zone;
            FileList entry{};
            std::snprintf(entry.path_name, sizeof entry.path_name, "%s", path.c_str());
            ProcessTXFile(&entry);
            EXPECT_EQ(entry.time, local) << zone;
        }
    }
}

}  // namespace
}  // namespace portkit::test
