// The terminal window's logic through a recording surface: fitting, writing,
// wrap and scrolling, the key queue, blinking, painting and the caret.
#include <gtest/gtest.h>

#include "screen/console/console_keys.h"
#include "screen/terminal_window/dsterm_fit.h"
#include "screen/terminal_window/dsterm_keys.h"
#include "screen/terminal_window/dsterm_model.h"
#include "tests/screen/terminal_window/recording_surface.h"

namespace portkit::screen {
namespace {

constexpr CellMetrics kCell{7, 12, 0};

class DSTermModelTest : public ::testing::Test {
protected:
    std::string Row(int row) const {
        std::string text;
        for (int col = 0; col < model.cols(); ++col) text += model.CharAt(row, col);
        return text;
    }

    RecordingSurface surface;
    DSTermModel model{surface, nullptr, kCell, 3, 5};
};

TEST(DSTermFit, TwentyFiveByEightyIsCentredInALargerClientArea) {
    const GridFit fit = FitToCells(100 * 7, 40 * 12, kCell, 25ul << 8 | 80ul);
    EXPECT_EQ(fit.rows, 25);
    EXPECT_EQ(fit.cols, 80);
    EXPECT_EQ(fit.client_width, 80 * 7);
    EXPECT_EQ(fit.client_height, 25 * 12);
    EXPECT_EQ(fit.shift_x, 20 * 7 / 2);
    EXPECT_EQ(fit.shift_y, 15 * 12 / 2);
}

TEST(DSTermFit, WithoutLimitsPartCellsAreCutOff) {
    const GridFit fit = FitToCells(7 * 10 + 6, 12 * 4 + 11, kCell, 0);
    EXPECT_EQ(fit.cols, 10);
    EXPECT_EQ(fit.rows, 4);
    EXPECT_EQ(fit.shift_x, 3);
    EXPECT_EQ(fit.shift_y, 5);
}

TEST(DSTermFit, ALimitLargerThanTheWindowDoesNotGrowIt) {
    const GridFit fit = FitToCells(7 * 10, 12 * 4, kCell, 25ul << 8 | 80ul);
    EXPECT_EQ(fit.cols, 10);
    EXPECT_EQ(fit.rows, 4);
}

TEST_F(DSTermModelTest, ANewWindowIsSpacesInTheNormalAttribute) {
    EXPECT_EQ(Row(0), "     ");
    EXPECT_EQ(model.AttributeAt(2, 4), 0x07);
    EXPECT_EQ(model.record().wrap, 1);
    EXPECT_EQ(model.record().client, (PixelRect{0, 0, 35, 36}));
}

TEST_F(DSTermModelTest, WrapOnScrollsAtOnceAfterTheLastCellOfTheLastRow) {
    model.Goto(2, 4);
    model.SetAttribute(0x1E);
    model.Putc('X');
    EXPECT_EQ(model.record().cursor_row, 2);
    EXPECT_EQ(model.record().cursor_col, 0);
    EXPECT_EQ(Row(1), "    X");
    EXPECT_EQ(Row(2), "     ");
    // The new row takes the current attribute.
    EXPECT_EQ(model.AttributeAt(2, 0), 0x1E);
    ASSERT_EQ(surface.scrolled_pixels.size(), 1u);
    EXPECT_EQ(surface.scrolled_pixels[0], 12);
    EXPECT_EQ(surface.runs.back().row, 2);
    EXPECT_EQ(surface.runs.back().text, "     ");
}

TEST_F(DSTermModelTest, WrapOffOverwritesTheLastColumn) {
    model.SetWrap(0);
    model.Goto(0, 3);
    model.Puts("abcd");
    EXPECT_EQ(Row(0), "   ad");
    EXPECT_EQ(model.record().cursor_row, 0);
    EXPECT_EQ(model.record().cursor_col, 4);
    EXPECT_TRUE(surface.scrolled_pixels.empty());
}

TEST_F(DSTermModelTest, ControlCharactersMoveTheCursorOnly) {
    model.Puts("ab");
    model.Putc('\n');
    EXPECT_EQ(model.record().cursor_row, 1);
    EXPECT_EQ(model.record().cursor_col, 0);
    model.Puts("xy\b\b\b");
    EXPECT_EQ(model.record().cursor_col, 0);
    EXPECT_EQ(Row(1), "xy   ");
    model.Puts("z\r");
    EXPECT_EQ(model.record().cursor_col, 0);
    EXPECT_EQ(Row(1), "zy   ");
}

TEST_F(DSTermModelTest, LineFeedOnTheLastRowScrolls) {
    model.Puts("1\n2\n3\n4");
    EXPECT_EQ(Row(0), "2    ");
    EXPECT_EQ(Row(2), "4    ");
    EXPECT_EQ(surface.scrolled_pixels.size(), 1u);
}

TEST_F(DSTermModelTest, GotoOutsideTheGridIsIgnored) {
    model.Goto(1, 2);
    model.Goto(3, 0);
    model.Goto(0, 5);
    model.Goto(-1, 0);
    model.Goto(0, -1);
    EXPECT_EQ(model.record().cursor_row, 1);
    EXPECT_EQ(model.record().cursor_col, 2);
}

TEST_F(DSTermModelTest, ClearingUsesTheCurrentAttributeAndLeavesTheCursor) {
    model.Puts("hello");
    model.Goto(0, 2);
    model.SetAttribute(0x4F);
    model.ClearToEol();
    EXPECT_EQ(Row(0), "he   ");
    EXPECT_EQ(model.AttributeAt(0, 1), 0x07);
    EXPECT_EQ(model.AttributeAt(0, 2), 0x4F);
    model.ClearWindow();
    EXPECT_EQ(Row(0), "     ");
    EXPECT_EQ(model.AttributeAt(2, 0), 0x4F);
    EXPECT_EQ(model.record().cursor_col, 2);
}

TEST_F(DSTermModelTest, PutcDrawsEachCellPutsOneSpanPerLine) {
    model.Putc('a');
    ASSERT_EQ(surface.runs.size(), 1u);
    EXPECT_EQ(surface.runs[0].text, "a");
    surface.runs.clear();
    model.Puts("bc\nde");
    ASSERT_EQ(surface.runs.size(), 2u);
    EXPECT_EQ(surface.runs[0].row, 0);
    EXPECT_EQ(surface.runs[0].column, 1);
    EXPECT_EQ(surface.runs[0].text, "bc");
    EXPECT_EQ(surface.runs[1].row, 1);
    EXPECT_EQ(surface.runs[1].text, "de");
}

TEST_F(DSTermModelTest, ASpanIsDrawnAsRunsOfEqualAttribute) {
    model.SetAttribute(0x07);
    model.Puts("ab");
    model.SetAttribute(0x4F);  // bright white on blue
    model.Puts("cd");
    model.SetAttribute(0x07);
    model.Puts("e");
    surface.runs.clear();
    model.DrawSpan(0, 0, 4);
    ASSERT_EQ(surface.runs.size(), 3u);
    EXPECT_EQ(surface.runs[0].text, "ab");
    EXPECT_EQ(surface.runs[1].text, "cd");
    EXPECT_EQ(surface.runs[1].cells, (PixelRect{14, 0, 28, 12}));
    EXPECT_EQ(surface.runs[1].foreground, (Rgb{255, 255, 255}));
    EXPECT_EQ(surface.runs[1].background, (Rgb{0, 0, 128}));
    EXPECT_EQ(surface.runs[2].text, "e");
}

TEST_F(DSTermModelTest, PaintDrawsTheCellsTheRectangleTouches) {
    model.Paint({8, 13, 15, 24});  // columns 1 to 2, row 1
    ASSERT_EQ(surface.runs.size(), 1u);
    EXPECT_EQ(surface.runs[0].row, 1);
    EXPECT_EQ(surface.runs[0].column, 1);
    EXPECT_EQ(surface.runs[0].text.size(), 2u);
    surface.runs.clear();
    model.Paint({-50, -50, 1000, 1000});  // limited to the grid
    EXPECT_EQ(surface.runs.size(), 3u);
}

TEST_F(DSTermModelTest, BlinkingCellsAlternateBetweenTextAndBackground) {
    model.Goto(1, 1);
    model.SetAttribute(0x8F);
    model.Puts("B");
    model.Goto(1, 3);
    model.Puts("B");
    surface.runs.clear();
    model.BlinkTick();
    // One span per row, from the first to the last blinking cell.
    ASSERT_EQ(surface.runs.size(), 3u);
    EXPECT_EQ(surface.runs[0].column, 1);
    EXPECT_EQ(surface.runs[2].column, 3);
    EXPECT_EQ(surface.runs[0].foreground, (Rgb{0, 0, 0}));
    EXPECT_EQ(surface.runs[1].foreground, (Rgb{210, 210, 210}));  // the normal cell between them
    surface.runs.clear();
    model.BlinkTick();
    EXPECT_EQ(surface.runs[0].foreground, (Rgb{255, 255, 255}));
}

TEST_F(DSTermModelTest, FifteenKeysFitTheSixteenthIsDropped) {
    EXPECT_EQ(model.TakeKey(), -1);
    for (int key = 1; key <= 16; ++key) model.QueueKey(key);
    for (int key = 1; key <= 15; ++key) EXPECT_EQ(model.TakeKey(), key);
    EXPECT_FALSE(model.HasKey());
    EXPECT_EQ(model.TakeKey(), -1);
    // The ring keeps working across its end.
    model.QueueKey(0x4800);
    EXPECT_EQ(model.TakeKey(), 0x4800);
}

TEST_F(DSTermModelTest, TheCaretFollowsTheCursorOnlyWithTheFocus) {
    model.Goto(1, 2);
    EXPECT_FALSE(surface.caret_shown);
    model.FocusGained();
    EXPECT_TRUE(surface.caret_shown);
    EXPECT_EQ(surface.caret, (PixelRect{14, 12 + 9, 21, 12 + 9 + 3}));
    model.Putc('x');
    EXPECT_TRUE(surface.caret_shown);
    EXPECT_EQ(surface.caret.left, 21);
    model.FocusLost();
    EXPECT_FALSE(surface.caret_shown);
    model.Putc('y');
    EXPECT_FALSE(surface.caret_shown);
}

TEST(DSTermKeys, KeysWithoutACharacterTakeTheConsoleCodes) {
    constexpr unsigned kVkF1 = 0x70, kVkUp = 0x26, kVkClear = 0x0C, kVkReturn = 0x0D;
    EXPECT_EQ(DSTermKeyDownCode(kVkF1, 0), 0x3B00);
    EXPECT_EQ(DSTermKeyDownCode(kVkF1, kShift), 0x5400);
    EXPECT_EQ(DSTermKeyDownCode(kVkUp, kLeftCtrl | kShift), 0x8D00);
    EXPECT_EQ(DSTermKeyDownCode(kVkClear, 0), 0x4C00);
    // No Alt column: Alt+F1 is F1.
    EXPECT_EQ(DSTermKeyDownCode(kVkF1, kLeftAlt), 0x3B00);
    // Keys with a character come as characters, and Alt letters not at all.
    EXPECT_EQ(DSTermKeyDownCode('A', kLeftAlt), -1);
    EXPECT_EQ(DSTermKeyDownCode(kVkReturn, 0), -1);
}

}  // namespace
}  // namespace portkit::screen
