// What a text window shows: painting runs, the caret, resizing, following
// the cursor and scrolling by the user.
#include "screen/text_windows/tw_fixture.h"

namespace portkit::screen {
namespace {

using TextWindowViewTest = TextWindowTest;

constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};

TEST_F(TextWindowViewTest, PaintingDrawsOneRunPerAttributeAndUnknownAttributesAsNormal) {
    TWPokes(w.get(), 0, 0, "ab");
    TWSetAttribute(w.get(), 1);
    TWPokes(w.get(), 0, 2, "cd");
    TWSetAttribute(w.get(), 2);
    TWPokes(w.get(), 0, 4, "ef");
    surface.runs.clear();
    PaintTWRect(*w, {0, 0, 6 * kCellWidth, kCellHeight});
    ASSERT_EQ(surface.runs.size(), 3u);
    EXPECT_EQ(surface.runs[0].text, "ab");
    EXPECT_EQ(surface.runs[1].text, "cd");
    EXPECT_EQ(surface.runs[1].foreground, kWhite);
    EXPECT_EQ(surface.runs[1].background, kBlack);
    EXPECT_EQ(surface.runs[1].cells, (PixelRect{2 * kCellWidth, 0, 4 * kCellWidth, kCellHeight}));
    EXPECT_EQ(surface.runs[2].foreground, kBlack);
    EXPECT_EQ(surface.runs[2].background, kWhite);
}

TEST_F(TextWindowViewTest, PaintingCoversTheRowsAndColumnsTheRectangleTouches) {
    surface.runs.clear();
    PaintTWRect(*w, {kCellWidth + 1, kCellHeight + 1, 3 * kCellWidth, 3 * kCellHeight});
    ASSERT_EQ(surface.runs.size(), 2u);
    EXPECT_EQ(surface.runs[0].row, TWBufferRow(1));
    EXPECT_EQ(surface.runs[1].row, TWBufferRow(2));
    EXPECT_EQ(surface.runs[0].column, 1);
    EXPECT_EQ(surface.runs[0].text.size(), 2u);
}

TEST_F(TextWindowViewTest, TheCaretSitsAtTheCursorCellOnlyWithTheFocus) {
    TWGoto(w.get(), 2, 5);
    EXPECT_TRUE(surface.caret_shown);
    EXPECT_EQ(surface.caret, (PixelRect{5 * kCellWidth, 2 * kCellHeight, 5 * kCellWidth + 8, 3 * kCellHeight}));
    EXPECT_EQ(surface.focus_requests, 1);
    TWFocusLost(*w);
    EXPECT_FALSE(surface.caret_shown);
    EXPECT_EQ(TheTWSettings().focused, nullptr);
    TWPutc(w.get(), 'x');
    EXPECT_FALSE(surface.caret_shown);
}

TEST_F(TextWindowViewTest, ResizeWithAPartlyShownRowFollowsTheCursorAndAlignsTheBottomRow) {
    TWGoto(w.get(), 24, 0);
    ResizeTWView(*w, 40 * kCellWidth, 10 * kCellHeight + 5);
    EXPECT_EQ(w->visible_rows, 11);
    EXPECT_EQ(w->visible_cols, 40);
    EXPECT_EQ(w->row_offset, 5 - kCellHeight);
    EXPECT_EQ(w->first_row, TW_BUFFER_ROWS - 11);
    // The cursor's row ends at the bottom edge.
    EXPECT_EQ(TWCellsRect(*w, TWBufferRow(24), 0, 0).bottom, 10 * kCellHeight + 5);
    EXPECT_TRUE(surface.caret_shown);

    // Back at the top: the partly hidden row above it comes into view.
    TWGoto(w.get(), 0, 100);
    TWFocusGained(*w);
    EXPECT_EQ(w->first_row, TW_SCROLLBACK_ROWS - 1);
    EXPECT_EQ(w->first_col, 100 - 40 + 1);
}

TEST_F(TextWindowViewTest, OutputDoesNotMoveTheView) {
    ResizeTWView(*w, 40 * kCellWidth, 10 * kCellHeight);
    const int first_row = w->first_row;
    TWGoto(w.get(), 24, 0);
    EXPECT_EQ(w->first_row, first_row);
    EXPECT_FALSE(surface.caret_shown);  // the cursor is out of view
}

class TextWindowScrollingTest : public TextWindowTest {
protected:
    void SetUp() override {
        TextWindowTest::SetUp();
        DetachTWSurface(*w);
        MakeWindow(*w, 1);
        ResizeTWView(*w, 40 * kCellWidth, 10 * kCellHeight);
    }
    void Scroll(TWScrollBar bar, TWScrollAction action, int position = 0) { ScrollTWView(*w, bar, action, position); }
};

TEST_F(TextWindowScrollingTest, ResizingSetsTheRangesAndPullsTheViewBack) {
    EXPECT_EQ(w->first_row, TW_SCROLLBACK_ROWS);
    EXPECT_EQ(surface.vertical.maximum, TW_BUFFER_ROWS - 10 - 1);
    EXPECT_EQ(surface.vertical.position, TW_SCROLLBACK_ROWS);
    EXPECT_EQ(surface.horizontal.maximum, TW_COLS - 40 - 1);
    Scroll(TWScrollBar::kVertical, TWScrollAction::kThumbPosition, 95);
    Scroll(TWScrollBar::kHorizontal, TWScrollAction::kThumbPosition, 100);
    ResizeTWView(*w, 40 * kCellWidth, 10 * kCellHeight);
    EXPECT_EQ(w->first_row, TW_BUFFER_ROWS - 10);
    EXPECT_EQ(w->first_col, TW_COLS - 40);
    EXPECT_EQ(surface.vertical.position, TW_BUFFER_ROWS - 10);
}

TEST_F(TextWindowScrollingTest, VerticalRequests) {
    using enum TWScrollAction;
    Scroll(TWScrollBar::kVertical, kLineForward);
    EXPECT_EQ(w->first_row, TW_SCROLLBACK_ROWS + 1);
    EXPECT_EQ(surface.scrolls.back(), (RecordingTWSurface::Move{0, -kCellHeight}));
    Scroll(TWScrollBar::kVertical, kEnd);
    EXPECT_EQ(w->first_row, 89);
    Scroll(TWScrollBar::kVertical, kLineForward);  // at the end already
    EXPECT_EQ(w->first_row, 89);
    Scroll(TWScrollBar::kVertical, kLineBack);
    EXPECT_EQ(w->first_row, 88);
    EXPECT_EQ(surface.scrolls.back(), (RecordingTWSurface::Move{0, kCellHeight}));
    EXPECT_EQ(surface.vertical.position, 88);
    Scroll(TWScrollBar::kVertical, kPageBack);
    Scroll(TWScrollBar::kVertical, kThumbTrack, 3);
    EXPECT_EQ(w->first_row, 88);
    Scroll(TWScrollBar::kVertical, kThumbPosition, 3);
    EXPECT_EQ(w->first_row, 3);
    Scroll(TWScrollBar::kVertical, kStart);
    Scroll(TWScrollBar::kVertical, kLineBack);
    EXPECT_EQ(w->first_row, 0);
}

TEST_F(TextWindowScrollingTest, HorizontalRequestsMoveEightColumnsAndStopAtTheEnds) {
    using enum TWScrollAction;
    Scroll(TWScrollBar::kHorizontal, kLineForward);
    EXPECT_EQ(w->first_col, 8);
    EXPECT_EQ(surface.scrolls.back(), (RecordingTWSurface::Move{-8 * kCellWidth, 0}));
    Scroll(TWScrollBar::kHorizontal, kThumbPosition, 88);
    Scroll(TWScrollBar::kHorizontal, kLineForward);
    EXPECT_EQ(w->first_col, TW_COLS - 40);
    Scroll(TWScrollBar::kHorizontal, kLineBack);
    EXPECT_EQ(w->first_col, TW_COLS - 48);
    Scroll(TWScrollBar::kHorizontal, kThumbPosition, 5);
    Scroll(TWScrollBar::kHorizontal, kLineBack);
    EXPECT_EQ(w->first_col, 0);
    Scroll(TWScrollBar::kHorizontal, kEnd);
    EXPECT_EQ(w->first_col, TW_COLS - 40);
}

TEST_F(TextWindowScrollingTest, WindowsWithoutScrollBarsIgnoreRequests) {
    w->scroll_bars = 0;
    const int first_row = w->first_row;
    Scroll(TWScrollBar::kVertical, TWScrollAction::kStart);
    EXPECT_EQ(w->first_row, first_row);
}

}  // namespace
}  // namespace portkit::screen
