// The INI store on real files in a scratch directory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "portkit/ini.h"
#include "support/peer_process.h"

namespace portkit::test {
namespace {

class IniStore : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = getcwd(nullptr, 0);
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(previous_), 0);
        free(previous_);
    }

    TempDirectory dir;
    char *previous_ = nullptr;
};

// The file is named after the given one: no directories or drive, .INI.
TEST_F(IniStore, FileNameDropsDirectoriesAndTakesTheIniExtension) {
    const std::pair<const char *, const char *> names[] = {
        {"D:\\DIR\\TERM.CFG", "TERM.INI"}, {"A:PROFILE", "PROFILE.INI"}, {"X.Y.Z", "X.Y.INI"},
        {"MODEMS", "MODEMS.INI"},         {"/etc/portkit/dial.txt", "dial.INI"}};
    for (const auto &[given, stored] : names) {
        PBIniStore *store = PBConstruct(given);
        PBAddKey(store, "s", "k", "v");
        PBWriteIniFile(store);
        PBDestroy(store);
        EXPECT_EQ(ReadFile(dir / stored), "[s]\nk=v\n\n") << given;
    }
    PBIniStore *nameless = PBConstruct(nullptr);
    EXPECT_EQ(PBReadIniFile(nameless), 0);
    PBWriteIniFile(nameless);
    PBDestroy(nameless);
}

TEST_F(IniStore, ReadsSectionsSplitsAtTheFirstEqualsAndKeepsBlanks) {
    WriteFile(dir / "MODEM.INI", "Early=1\n[Modem]\nInit=AT&F\n\n[Modem]\nDial=ATDT\nCmd=A=B\nSpeed = 2400\nno equals\r\n"
                                 "Crlf=yes\r\n");
    PBIniStore *store = PBConstruct("modem.cfg");
    EXPECT_EQ(PBReadIniFile(store), 0) << "MODEM.INI is not modem.INI";
    PBDestroy(store);

    store = PBConstruct("MODEM");
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
    EXPECT_EQ(ReadFile(dir / "MODEM.INI"),
              "[]\nEarly=1\n\n[Modem]\nINIT=ATZ\nDial=ATDT\nCmd=A=B\nSpeed = 2400\nCrlf=yes\n\n");
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

TEST_F(IniStore, UnreadableAndUnwritableFilesChangeNothing) {
    PBIniStore *store = PBConstruct("MISSING");
    EXPECT_EQ(PBReadIniFile(store), 0);
    EXPECT_EQ(PBReadIniFile(nullptr), 0);
    EXPECT_EQ(PBAddKey(nullptr, "a", "b", "c"), 0);
    PBDestroy(store);

    // A directory where the file should be: neither read nor written.
    mkdir((dir / "BUSY.INI").c_str(), 0755);
    store = PBConstruct("BUSY");
    PBAddKey(store, "s", "k", "v");
    EXPECT_EQ(PBReadIniFile(store), 0);
    PBWriteIniFile(store);
    EXPECT_STREQ(PBFindValue(store, "s", "k"), "v");
    PBDestroy(store);
}

}  // namespace
}  // namespace portkit::test
