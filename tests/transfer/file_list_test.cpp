// The list of files to send over a real directory tree, local-time values,
// their zone conversions and file stamps.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "transfer/file_list.h"

namespace portkit::test {
namespace {

using transfer::FileListCreate;
using Names = std::vector<std::string>;

// A scratch directory, removed with everything in it.
class Scratch {
public:
    Scratch() {
        char pattern[] = "/tmp/portkit-files-XXXXXX";
        root_ = mkdtemp(pattern);
    }
    ~Scratch() { std::filesystem::remove_all(root_); }
    std::string operator()(const std::string &relative) const { return root_ + "/" + relative; }
    void Files(std::initializer_list<std::string> names, const std::string &content = "x") const {
        for (const std::string &name : names) {
            std::filesystem::create_directories(std::filesystem::path((*this)(name)).parent_path());
            std::FILE *file = std::fopen((*this)(name).c_str(), "wb");
            std::fputs(content.c_str(), file);
            std::fclose(file);
        }
    }

private:
    std::string root_;
};

// Every path the list yields; after the end it must keep saying 0.
Names Collect(const std::string &patterns, int descend) {
    FileList *list = FileListCreate(patterns.c_str(), descend);
    Names names;
    while (list->next(list) == 1) names.emplace_back(list->path_name);
    EXPECT_EQ(list->next(list), 0);
    list->destroy(list);
    return names;
}

std::set<std::string> AsSet(const Names &names) { return {names.begin(), names.end()}; }

TEST(FileList, SeparatorsSplitThePatternsInOrder) {
    Scratch dir;
    dir.Files({"a.txt", "b.txt", "c1.doc", "c2.doc", "other.doc"});
    const Names names = Collect(dir("a.txt") + ", " + dir("b.txt") + ";" + dir("c*.doc"), 0);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(Names(names.begin(), names.begin() + 2), (Names{dir("a.txt"), dir("b.txt")}));
    EXPECT_EQ(AsSet(Names(names.begin() + 2, names.end())), AsSet({dir("c1.doc"), dir("c2.doc")}));
    EXPECT_EQ(Collect("\t " + dir("b.txt") + "\r\n\v" + dir("a.txt") + "\f;,", 0), (Names{dir("b.txt"), dir("a.txt")}));
    EXPECT_TRUE(Collect(" ,;\t\r\n ", 1).empty());
}

// Lower-casing would name another file, or none, on a case-sensitive system.
TEST(FileList, PathsKeepTheNamesCaseAndBlanksAndOpen) {
    Scratch dir;
    dir.Files({"Mixed Case.TXT"}, "12345");
    const std::string pattern = dir("Mixed*");
    FileList *list = FileListCreate(pattern.c_str(), 0);
    ASSERT_EQ(list->next(list), 1);
    EXPECT_EQ(list->path_name, dir("Mixed Case.TXT"));
    EXPECT_EQ(list->size, 5);
    std::FILE *file = std::fopen(list->path_name, "rb");
    EXPECT_NE(file, nullptr);
    if (file != nullptr) std::fclose(file);
    list->destroy(list);
}

TEST(FileList, MatchingDirectoriesAreSearchedButNeverYielded) {
    Scratch dir;
    dir.Files({"plain.txt", "folder.txt/inner.txt"});
    EXPECT_EQ(Collect(dir("*.txt"), 0), Names{dir("plain.txt")});
    const Names names = Collect(dir("*.txt"), 1);
    EXPECT_EQ(names.size(), 2u);
    EXPECT_EQ(AsSet(names), AsSet({dir("plain.txt"), dir("folder.txt/inner.txt")}));
}

TEST(FileList, DescendsDepthFirstNineLevelsBelowTheTop) {
    Scratch dir;
    dir.Files({"top.c", "one/a.c", "one/deep/b.c", "one/deep/skip.h", "two/c.c"});
    const Names names = Collect(dir("*.c"), 1);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], dir("top.c"));
    // "one" is finished, its subdirectory included, before or after "two".
    const auto a = std::find(names.begin(), names.end(), dir("one/a.c"));
    ASSERT_LT(a + 1, names.end());
    EXPECT_EQ(a[1], dir("one/deep/b.c"));

    std::string level;
    for (int depth = 1; depth <= 11; ++depth) dir.Files({(level += "d" + std::to_string(depth) + "/") + "f.dat"});
    const Names deep = Collect(dir("f.dat"), 1);
    ASSERT_EQ(deep.size(), 9u);
    EXPECT_EQ(deep.back(), dir("d1/d2/d3/d4/d5/d6/d7/d8/d9/f.dat"));

    // Levels with nothing that matches are no failure; a pattern that
    // matches nowhere in the tree is.
    for (const char *pattern : {"*.c", "*.none"}) {
        const std::string patterns = dir(pattern);  // the list reads it as it goes
        FileList *list = FileListCreate(patterns.c_str(), 1);
        while (list->next(list) == 1) {
        }
        EXPECT_EQ(list->error, std::string(pattern) == "*.c" ? 0 : ENOENT) << pattern;
        list->destroy(list);
    }
}

TEST(FileList, FailedNamesLeaveTheErrorAndTheListGoesOn) {
    Scratch dir;
    dir.Files({"a.txt", "sub/b.txt"});
    const std::string patterns = dir("missing.txt") + " " + dir("a.txt") + " " + dir("nodir/*.txt");
    FileList *list = FileListCreate(patterns.c_str(), 0);
    ASSERT_EQ(list->next(list), 1);
    EXPECT_EQ(list->error, ENOENT);
    EXPECT_EQ(list->path_name, dir("a.txt"));
    list->error = 0;
    EXPECT_EQ(list->next(list), 0);
    EXPECT_EQ(list->error, ENOENT);
    list->destroy(list);
    // A bare directory names no file but does not end the list; \ separates.
    EXPECT_EQ(Collect(dir("") + " " + dir("sub\\*.txt"), 0), Names{dir("sub/b.txt")});
}

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
    FileList *list = FileListCreate(pattern.c_str(), 1);
    ASSERT_EQ(list->next(list), 1);
    EXPECT_GT(open_descriptors(), before);  // searches open at four depths
    list->destroy(list);
    EXPECT_EQ(open_descriptors(), before);
}

TEST(FileList, FilesOfTwoGibibytesOrMoreAreMarkedNotWrapped) {
    Scratch dir;
    dir.Files({"sparse.img"});
    FileList entry{};
    std::snprintf(entry.path_name, sizeof entry.path_name, "%s", dir("sparse.img").c_str());
    ASSERT_EQ(truncate(entry.path_name, off_t{1} << 31), 0);  // sparse: costs no space
    ProcessTXFile(&entry);
    EXPECT_EQ(entry.size, -1);
    EXPECT_EQ(entry.error, transfer::kFileTooLarge);
    ASSERT_EQ(truncate(entry.path_name, INT32_MAX), 0);
    ProcessTXFile(&entry);
    EXPECT_EQ(entry.size, INT32_MAX);
}

TEST(CreateUnixTime, EdgesOfTheRange) {
    EXPECT_EQ(CreateUnixTime(1970, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(CreateUnixTime(1969, 12, 31, 23, 59, 59), 0);
    EXPECT_EQ(CreateUnixTime(1996, 2, 29, 12, 0, 0), 825595200);
    EXPECT_EQ(CreateUnixTime(2038, 1, 19, 3, 14, 7), INT32_MAX);
    // Past that no value fits; wrapping would mean 1901.
    EXPECT_EQ(CreateUnixTime(2038, 1, 19, 3, 14, 8), INT32_MAX);
    EXPECT_EQ(CreateUnixTime(INT_MAX, 12, 31, INT_MAX, INT_MAX, INT_MAX), INT32_MAX);
}

TEST(CreateUnixTime, AgreesWithTheCalendarFrom1970To2037) {
    for (int year = 1970; year < 2038; ++year) {
        for (int month = 1; month <= 12; ++month) {
            std::tm civil{};
            civil.tm_year = year - 1900;
            civil.tm_mon = month;  // day 0 of the next month is the last of this one
            timegm(&civil);
            for (int day : {1, 15, civil.tm_mday}) {
                civil = {};
                civil.tm_year = year - 1900;
                civil.tm_mon = month - 1;
                civil.tm_mday = day;
                civil.tm_hour = 23;
                civil.tm_min = 59;
                civil.tm_sec = 58;
                ASSERT_EQ(CreateUnixTime(year, month, day, 23, 59, 58), timegm(&civil)) << year << "-" << month;
            }
        }
    }
}

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

using StampFileTime = ZoneTest;

// The file shows the sender's wall-clock time in either season, silently,
// and reading it back gives the value that was sent.
TEST_F(StampFileTime, SetsTheWallClockTimeInEverySeason) {
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

TEST_F(StampFileTime, RefusesUnknownTimesAndLeavesTheFileAlone) {
    Scratch dir;
    std::FILE *file = std::fopen(dir("kept.bin").c_str(), "wb");
    const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(futimens(fileno(file), times), 0);
    EXPECT_EQ(transfer::StampFileTime(file, -1), -1);
    EXPECT_EQ(transfer::StampFileTime(nullptr, 100), -1);
    std::fclose(file);
    struct stat status {};
    ASSERT_EQ(stat(dir("kept.bin").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, 1000000000);
}

}  // namespace
}  // namespace portkit::test
