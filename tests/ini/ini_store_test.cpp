// The INI store on real files in a scratch directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>

#include "portkit/ini.h"
#include "support/scratch_files.h"

namespace portkit::test {
namespace {

using namespace std::string_literals;

// Lines as the store writes them: a text file, whose lines end in CR LF on
// Windows.
std::string TextFile(const std::string &lines) {
#ifdef _WIN32
    std::string text;
    for (const char c : lines) text += c == '\n' ? "\r\n" : std::string(1, c);
    return text;
#else
    return lines;
#endif
}

using IniStore = InScratchDirectory;

// The file is named after the given one: no directories or drive, .INI.
TEST_F(IniStore, FileNameDropsDirectoriesAndTakesTheIniExtension) {
    const std::pair<const char *, const char *> names[] = {{"D:\\DIR\\TERM.CFG", "TERM.INI"},
                                                           {"A:PROFILE", "PROFILE.INI"},
                                                           {"X.Y.Z", "X.Y.INI"},
                                                           {"MODEMS", "MODEMS.INI"},
                                                           {"/etc/portkit/dial.txt", "dial.INI"}};
    for (const auto &[given, stored] : names) {
        PBIniStore *store = PBConstruct(given);
        PBAddKey(store, "s", "k", "v");
        PBWriteIniFile(store);
        PBDestroy(store);
        EXPECT_EQ(ReadFile(scratch_ / stored), TextFile("[s]\nk=v\n\n")) << given;
    }
    PBIniStore *nameless = PBConstruct(nullptr);
    EXPECT_EQ(PBReadIniFile(nameless), 0);
    PBWriteIniFile(nameless);
    PBDestroy(nameless);
}

TEST_F(IniStore, ReadsSectionsSplitsAtTheFirstEqualsAndKeepsBlanks) {
    WriteFile(scratch_ / "MODEM.INI",
              "Early=1\n[Modem]\nInit=AT&F\n\n[Modem]\nDial=ATDT\nCmd=A=B\nSpeed = 2400\nno equals\r\n"
              "Crlf=yes\r\n");
#ifndef _WIN32  // Windows finds a file by its name in any case
    PBIniStore *other_case = PBConstruct("modem.cfg");
    EXPECT_EQ(PBReadIniFile(other_case), 0) << "MODEM.INI is not modem.INI";
    PBDestroy(other_case);
#endif

    PBIniStore *store = PBConstruct("MODEM");
    EXPECT_EQ(PBReadIniFile(store), 10);
    EXPECT_STREQ(PBFindValue(store, "MODEM", "init"), "AT&F");
    EXPECT_STREQ(PBFindValue(store, "Modem", "Dial"), "ATDT");
    EXPECT_STREQ(PBFindValue(store, "Modem", "Cmd"), "A=B");
    EXPECT_STREQ(PBFindValue(store, "Modem", "Speed "), " 2400");
    EXPECT_EQ(PBFindValue(store, "Modem", "Speed"), nullptr);
    EXPECT_STREQ(PBFindValue(store, "Modem", "Crlf"), "yes");
    EXPECT_STREQ(PBFindValue(store, "", "Early"), "1");
    EXPECT_EQ(PBFindValue(store, "Other", "Init"), nullptr);
    EXPECT_EQ(PBFindValue(nullptr, "Modem", "Init"), nullptr);

    // The case given last is written back; an unnamed section is [].
    EXPECT_EQ(PBAddKey(store, "modem", "INIT", "ATZ"), 1);
    PBWriteIniFile(store);
    PBDestroy(store);
    EXPECT_EQ(ReadFile(scratch_ / "MODEM.INI"),
              TextFile("[]\nEarly=1\n\n[Modem]\nINIT=ATZ\nDial=ATDT\nCmd=A=B\nSpeed = 2400\nCrlf=yes\n\n"));
}

// Reading merges into what the store holds; long values survive whole.
TEST_F(IniStore, RoundTripKeepsLongValuesAndMerges) {
    const std::string long_value(1000, 'x');
    PBIniStore *store = PBConstruct("DIAL");
    PBAddKey(store, "Dial", "Home", "555-1234");
    PBAddKey(store, "Dial", "Long", long_value.c_str());
    PBWriteIniFile(store);
    PBDestroy(store);

    store = PBConstruct("DIAL");
    PBAddKey(store, "Dial", "Office", "555-9876");
    EXPECT_EQ(PBReadIniFile(store), 4);
    EXPECT_STREQ(PBFindValue(store, "dial", "home"), "555-1234");
    EXPECT_EQ(std::string(PBFindValue(store, "Dial", "Long")), long_value);
    EXPECT_STREQ(PBFindValue(store, "Dial", "Office"), "555-9876");
    PBDestroy(store);
}

// A NUL ends the text of its line, as it would a C string, and nothing more.
TEST_F(IniStore, ANulEndsOnlyTheTextOfItsLine) {
    // Not NUL.INI: on Windows that names the null device.
    WriteFile(scratch_ / "NULBYTE.INI", "[s]\nA=1\0junk\nB=2\nC\0=3\nD=4\n"s);
    PBIniStore *store = PBConstruct("NULBYTE");
    EXPECT_EQ(PBReadIniFile(store), 5);
    EXPECT_STREQ(PBFindValue(store, "s", "A"), "1");
    EXPECT_STREQ(PBFindValue(store, "s", "B"), "2");
    EXPECT_EQ(PBFindValue(store, "s", "C"), nullptr);
    EXPECT_STREQ(PBFindValue(store, "s", "D"), "4");
    PBDestroy(store);
}

// A big file reads in well under a second; sections named again in another
// case merge into the first, and everything is written back in first-seen order.
TEST_F(IniStore, ReadsTwentyThousandSectionsAndKeysInFirstSeenOrder) {
    constexpr int kCount = 20000;
    std::string file;
    std::string merged;
    for (int i = 0; i < kCount; ++i) file += "[Sec" + std::to_string(i) + "]\nA=" + std::to_string(i) + "\n\n";
    for (int i = 0; i < kCount; ++i) file += "[sec" + std::to_string(i) + "]\nb=" + std::to_string(i) + "\n";
    for (int i = 0; i < kCount; ++i) {
        merged += "[Sec" + std::to_string(i) + "]\nA=" + std::to_string(i) + "\nb=" + std::to_string(i) + "\n\n";
    }
    std::string many_keys = "[Many]\n";
    for (int i = 0; i < kCount; ++i) {
        const std::string n = std::to_string(i);  // "K" + a temporary trips GCC 12's -Wrestrict
        many_keys += "K" + n + "=" + n + "\n";
    }
    WriteFile(scratch_ / "BIG.INI", file + many_keys);

    PBIniStore *store = PBConstruct("BIG");
    ASSERT_EQ(PBReadIniFile(store), 6 * kCount + 1);
    EXPECT_STREQ(PBFindValue(store, "SEC19999", "B"), "19999");
    EXPECT_STREQ(PBFindValue(store, "many", "k19999"), "19999");
    PBWriteIniFile(store);
    PBDestroy(store);
    // Not EXPECT_EQ: GoogleTest's line diff of two such files would take
    // gigabytes.
    const std::string written = ReadFile(scratch_ / "BIG.INI");
    const std::string expected = TextFile(merged + many_keys + "\n");
    const auto differs = std::mismatch(written.begin(), written.end(), expected.begin(), expected.end()).first;
    EXPECT_TRUE(written == expected) << "the file written differs from byte " << differs - written.begin();
}

// Whatever PBAddKey keeps, the file gives back unchanged; the rest it refuses
// whole, leaving not even an empty section behind.
TEST_F(IniStore, AddKeyTakesOnlyWhatReadsBackAsGiven) {
    using Entry = std::tuple<const char *, const char *, const char *>;
    const Entry refused[] = {{"s", "k", "two\nlines"}, {"s", "k", "ends\r"}, {"s", "k\n", "v"},  {"s", "k\r", "v"},
                             {"s", "k=x", "v"},        {"s", "[k", "v"},     {"s\n", "k", "v"},  {"\rs", "k", "v"},
                             {nullptr, "k", "v"},      {"s", nullptr, "v"},  {"s", "k", nullptr}};
    PBIniStore *store = PBConstruct("CHECKED");
    for (const auto &[section, key, value] : refused) {
        EXPECT_EQ(PBAddKey(store, section, key, value), 0)
            << (section ? section : "(null)") << "/" << (key ? key : "(null)") << "=" << (value ? value : "(null)");
    }
    PBWriteIniFile(store);
    EXPECT_EQ(ReadFile(scratch_ / "CHECKED.INI"), "");

    const Entry kept[] = {{"a]b", "k]", "v"}, {"[x", " k ", " a=b "}, {"", "", ""}, {" s ", "k[", "[v]"}};
    for (const auto &[section, key, value] : kept) EXPECT_EQ(PBAddKey(store, section, key, value), 1) << key;
    PBWriteIniFile(store);
    PBDestroy(store);
    store = PBConstruct("CHECKED");
    EXPECT_EQ(PBReadIniFile(store), 12);
    for (const auto &[section, key, value] : kept) EXPECT_STREQ(PBFindValue(store, section, key), value) << key;
    PBDestroy(store);

    // A file's own lines still load, even a key PBAddKey would refuse.
    WriteFile(scratch_ / "CHECKED.INI", "[s]\n[odd=1\n");
    store = PBConstruct("CHECKED");
    EXPECT_EQ(PBReadIniFile(store), 2);
    EXPECT_STREQ(PBFindValue(store, "s", "[odd"), "1");
    PBDestroy(store);
}

TEST_F(IniStore, UnreadableAndUnwritableFilesChangeNothing) {
    PBIniStore *store = PBConstruct("MISSING");
    EXPECT_EQ(PBReadIniFile(store), 0);
    EXPECT_EQ(PBReadIniFile(nullptr), 0);
    EXPECT_EQ(PBAddKey(nullptr, "a", "b", "c"), 0);
    PBDestroy(store);

    // A directory where the file should be: neither read nor written.
    std::filesystem::create_directory(scratch_ / "BUSY.INI");
    store = PBConstruct("BUSY");
    PBAddKey(store, "s", "k", "v");
    EXPECT_EQ(PBReadIniFile(store), 0);
    PBWriteIniFile(store);
    EXPECT_STREQ(PBFindValue(store, "s", "k"), "v");
    PBDestroy(store);
}

}  // namespace
}  // namespace portkit::test
