// The extended mode beside others who draw on the same display (a local
// echo, the tool's messages) and a display that changes size: what the
// golden files, one case a display, cannot show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_display.h"
#include "support/scripted_driver.h"

namespace portkit::test {
namespace {

using Calls = std::vector<std::string>;

class ExtendedDisplay : public ScriptedPortTest {
protected:
    void SetUp() override {
        ScriptedPortTest::SetUp();
        screen.rows = 3, screen.cols = 5;
        record = CreateAnsiEmulatorExtended(port, ANSI_EXTENDED_CP437);
        ASSERT_NE(record, nullptr);
        screen.AttachTo(record);
    }
    void TearDown() override {
        if (record != nullptr) record->destroy(record);
        ScriptedPortTest::TearDown();
    }
    // The display calls one read of `bytes` makes.
    Calls Read(const std::string &bytes) {
        screen.calls.clear();
        driver.Receive(bytes);
        record->process_input(record);
        return screen.calls;
    }

    RecordingDisplay screen;
    EmulatorRecord *record = nullptr;
};

TEST_F(ExtendedDisplay, TextGoesOnWhereOthersLeftTheCursor) {
    Read("ab");
    screen.row = 2, screen.col = 3;  // an echo or a message moved it
    EXPECT_EQ(Read("c"), (Calls{"put_string \"c\"", "goto_xy 2 4"}));
}

TEST_F(ExtendedDisplay, ANewSizeIsDrawnWholeFromTheCursor) {
    Read("ab");
    screen.rows = 2, screen.cols = 2, screen.row = 1, screen.col = 0;
    EXPECT_EQ(Read("c"), (Calls{"set_wrap 0", "goto_xy 0 0", "put_string \"  \"", "goto_xy 1 0", "put_string \"c \"",
                                "goto_xy 1 1"}));
}

TEST_F(ExtendedDisplay, AReadOfOnlyASequencePartDrawsNothing) {
    Read("ab");
    EXPECT_EQ(Read("\x1b[3"), Calls{});
    EXPECT_EQ(Read("1mc"), (Calls{"set_normal", "set_foreground 1", "put_string \"c\"", "goto_xy 0 3"}));
}

}  // namespace
}  // namespace portkit::test
