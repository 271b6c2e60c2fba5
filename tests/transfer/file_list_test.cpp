// The list of files to send over a real directory tree, and local-time values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/file_list_scratch.h"

namespace portkit::test {
namespace {

using transfer::FileListCreate;

TEST(FileList, SeparatorsSplitThePatternsInOrder) {
    Scratch dir;
    dir.Files({"a.txt", "b.txt", "c1.doc", "c2.doc", "other.doc"});
    const Names names = Collect(dir("a.txt") + ", " + dir("b.txt") + ";" + dir("c*.doc"), 0);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(Names(names.begin(), names.begin() + 2), (Names{dir.listed("a.txt"), dir.listed("b.txt")}));
    EXPECT_EQ(AsSet(Names(names.begin() + 2, names.end())), AsSet({dir.listed("c1.doc"), dir.listed("c2.doc")}));
    EXPECT_EQ(Collect("\t " + dir("b.txt") + "\r\n\v" + dir("a.txt") + "\f;,", 0),
              (Names{dir.listed("b.txt"), dir.listed("a.txt")}));
    EXPECT_TRUE(Collect(" ,;\t\r\n ", 1).empty());
}

// Lower-casing would name another file, or none, on a case-sensitive system.
TEST(FileList, PathsKeepTheNamesCaseAndBlanksAndOpen) {
    Scratch dir;
    dir.Files({"Mixed Case.TXT"}, "12345");
    const std::string pattern = dir("Mixed*");
    FileList *list = FileListCreate(pattern.c_str(), 0);
    ASSERT_EQ(list->next(list), 1);
    EXPECT_EQ(Generic(list->path_name), dir.listed("Mixed Case.TXT"));
    EXPECT_EQ(list->size, 5);
    std::FILE *file = std::fopen(list->path_name, "rb");
    EXPECT_NE(file, nullptr);
    if (file != nullptr) std::fclose(file);
    list->destroy(list);
}

TEST(FileList, MatchingDirectoriesAreSearchedButNeverYielded) {
    Scratch dir;
    dir.Files({"plain.txt", "folder.txt/inner.txt"});
    EXPECT_EQ(Collect(dir("*.txt"), 0), Names{dir.listed("plain.txt")});
    const Names names = Collect(dir("*.txt"), 1);
    EXPECT_EQ(names.size(), 2u);
    EXPECT_EQ(AsSet(names), AsSet({dir.listed("plain.txt"), dir.listed("folder.txt/inner.txt")}));
}

TEST(FileList, DescendsDepthFirstNineLevelsBelowTheTop) {
    Scratch dir;
    dir.Files({"top.c", "one/a.c", "one/deep/b.c", "one/deep/skip.h", "two/c.c"});
    const Names names = Collect(dir("*.c"), 1);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], dir.listed("top.c"));
    // "one" is finished, its subdirectory included, before or after "two".
    const auto a = std::find(names.begin(), names.end(), dir.listed("one/a.c"));
    ASSERT_LT(a + 1, names.end());
    EXPECT_EQ(a[1], dir.listed("one/deep/b.c"));

    std::string level;
    for (int depth = 1; depth <= 11; ++depth) {
        level.append("d").append(std::to_string(depth)).append("/");
        dir.Files({level + "f.dat"});
    }
    const Names deep = Collect(dir("f.dat"), 1);
    ASSERT_EQ(deep.size(), 9u);
    EXPECT_EQ(deep.back(), dir.listed("d1/d2/d3/d4/d5/d6/d7/d8/d9/f.dat"));

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
    EXPECT_EQ(Generic(list->path_name), dir.listed("a.txt"));
    list->error = 0;
    EXPECT_EQ(list->next(list), 0);
    EXPECT_EQ(list->error, ENOENT);
    list->destroy(list);
    // A bare directory names no file but does not end the list; \ separates.
    EXPECT_EQ(Collect(dir("") + " " + dir("sub\\*.txt"), 0), Names{dir.listed("sub/b.txt")});
}

TEST(FileList, FilesOfTwoGibibytesOrMoreAreMarkedNotWrapped) {
    Scratch dir;
    dir.Files({"sparse.img"});
    FileList entry{};
    std::snprintf(entry.path_name, sizeof entry.path_name, "%s", dir("sparse.img").c_str());
    std::filesystem::resize_file(entry.path_name, std::uintmax_t{1} << 31);  // sparse: costs no space
    ProcessTXFile(&entry);
    EXPECT_EQ(entry.size, -1);
    EXPECT_EQ(entry.error, transfer::kFileTooLarge);
    std::filesystem::resize_file(entry.path_name, INT32_MAX);
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
    namespace chrono = std::chrono;
    for (int year = 1970; year < 2038; ++year) {
        for (unsigned month = 1; month <= 12; ++month) {
            const chrono::year_month_day_last last{chrono::year{year}, chrono::month_day_last{chrono::month{month}}};
            for (unsigned day : {1u, 15u, static_cast<unsigned>(last.day())}) {
                const chrono::sys_seconds expected =
                    chrono::sys_days{chrono::year{year} / chrono::month{month} / chrono::day{day}} + chrono::hours{23} +
                    chrono::minutes{59} + chrono::seconds{58};
                ASSERT_EQ(CreateUnixTime(year, static_cast<int>(month), static_cast<int>(day), 23, 59, 58),
                          expected.time_since_epoch().count())
                    << year << "-" << month;
            }
        }
    }
}

}  // namespace
}  // namespace portkit::test
