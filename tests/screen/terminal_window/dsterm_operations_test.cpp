// The terminal window's exported calls on a window registered with a
// recording surface: attribute rules, the key calls, the instance and
// window tables.
#include <gtest/gtest.h>

#include "portkit/dsterm.h"
#include "screen/terminal_window/dsterm_registry.h"
#include "tests/screen/terminal_window/recording_surface.h"

namespace portkit::screen {
namespace {

class DSTermOperationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int instance_tag;
        instance = FindDSTermInstance(&instance_tag);
        if (instance < 0) instance = ClaimDSTermInstance(&instance_tag);
        ASSERT_GE(instance, 0);
        first_window = OpenDSTermWindow(&model, instance);
    }
    void TearDown() override { CloseDSTermWindow(&model); }

    int window_tag = 0;
    EmulatorHandle window = &window_tag;
    RecordingSurface surface;
    DSTermModel model{surface, window, CellMetrics{7, 12, 0}, 4, 10};
    int instance = -1;
    bool first_window = false;
};

TEST_F(DSTermOperationsTest, TheFirstWindowOfAnInstanceStartsTheBlinkTimerTheLastStopsIt) {
    EXPECT_TRUE(first_window);
    EXPECT_EQ(surface.timer_ms, 500);
    RecordingSurface second_surface;
    DSTermModel second{second_surface, &second_surface, CellMetrics{7, 12, 0}, 2, 2};
    EXPECT_FALSE(OpenDSTermWindow(&second, instance));
    EXPECT_FALSE(CloseDSTermWindow(&second));
    EXPECT_EQ(surface.timer_ms, 500);
    EXPECT_TRUE(CloseDSTermWindow(&model));
    EXPECT_EQ(surface.timer_ms, 0);
    OpenDSTermWindow(&model, instance);  // for TearDown
}

TEST_F(DSTermOperationsTest, AttributeOperationsFollowTheByteLayout) {
    _DSTermSetNormal(window);
    _DSTermSetForeground(window, 9);  // colours are taken modulo 8
    EXPECT_EQ(model.record().attribute, 0x01);
    _DSTermSetBold(window);
    _DSTermSetForeground(window, 2);  // bright stays
    EXPECT_EQ(model.record().attribute, 0x0A);
    _DSTermSetBlink(window);
    _DSTermSetBackground(window, 4);  // blink stays
    EXPECT_EQ(model.record().attribute, 0xCA);
    _DSTermSetReverse(window);
    EXPECT_EQ(model.record().attribute, 0x70);
    _DSTermSetInvisible(window);
    EXPECT_EQ(model.record().attribute, 0x00);
}

TEST_F(DSTermOperationsTest, UnderlinedTextBlinks) {
    _DSTermSetNormal(window);
    _DSTermPuts(window, "a");
    _DSTermSetUnderline(window);
    _DSTermPuts(window, "b");
    EXPECT_EQ(model.AttributeAt(0, 0), 0x07);  // cells written before keep theirs
    EXPECT_EQ(model.AttributeAt(0, 1), 0x87);
}

TEST_F(DSTermOperationsTest, KeyCallsReadTheQueueAndNeverWait) {
    EXPECT_EQ(DSTermKbhit(window), 0);
    EXPECT_EQ(DSTermGetKey(window), -1);
    model.QueueKey('k');
    EXPECT_EQ(DSTermKbhit(window), 1);
    EXPECT_EQ(DSTermGetKey(window), 'k');
}

TEST_F(DSTermOperationsTest, AClosedWindowReportsItselfClosedToKeyReadsButNotToTheEmulator) {
    int other = 0;
    EXPECT_EQ(DSTermGetKey(&other), DSTERM_WINDOW_CLOSED);
    EXPECT_EQ(DSTermKbhit(&other), 0);
    EmulatorRecord record{};
    record.keyboard = &other;
    EXPECT_EQ(_DSTermGetKey(&record), -1);
    _DSTermPuts(&other, "ignored");  // no window, nothing happens
}

TEST_F(DSTermOperationsTest, AttachingInstallsTheDisplayOperations) {
    EmulatorRecord record{};
    AttachDSTermToEmulator(&record, window);
    // The record is packed: its fields are compared by value, not bound to references.
    EXPECT_TRUE(record.display == window);
    EXPECT_TRUE(record.keyboard == window);
    record.goto_xy(record.display, 3, 9);
    EXPECT_EQ(record.current_row(record.display), 3);
    EXPECT_EQ(record.current_col(record.display), 9);
    EXPECT_EQ(record.rows(record.display), 4);
    EXPECT_EQ(record.cols(record.display), 10);
    EXPECT_TRUE(record.destroy == nullptr);  // left to the emulator
    record.beep(record.display);
    EXPECT_EQ(surface.beeps, 1);
}

TEST_F(DSTermOperationsTest, PrintfCutsTheTextToItsBuffer) {
    _DSTermSetWrap(window, 1);
    DSTermPrintf(window, "%d-%s", 42, "x");
    EXPECT_EQ(model.CharAt(0, 0), '4');
    EXPECT_EQ(model.CharAt(0, 3), 'x');
    const std::string long_text(200, 'z');
    _DSTermGoto(window, 0, 0);
    DSTermPrintf(window, "%s", long_text.c_str());
    // 131 characters on a 10-column grid of 4 rows end on the last row at column 1.
    EXPECT_EQ(model.record().cursor_col, 131 % 10);
}

TEST_F(DSTermOperationsTest, TwentyInstanceSlotsAreNeverGivenBack) {
    static int tags[kDSTermInstanceSlots];
    int claimed = 0;
    for (int &tag : tags) claimed += ClaimDSTermInstance(&tag) >= 0 ? 1 : 0;
    // This fixture holds one slot already.
    EXPECT_EQ(claimed, kDSTermInstanceSlots - 1);
    EXPECT_EQ(ClaimDSTermInstance(&claimed), -1);
}

}  // namespace
}  // namespace portkit::screen
