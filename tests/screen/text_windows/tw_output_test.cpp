// Writing, storing, blanking, shifting and scrolling a text window's buffer.
#include <cstring>

#include "screen/text_windows/tw_fixture.h"

namespace portkit::screen {
namespace {

using TextWindowOutputTest = TextWindowTest;

TEST_F(TextWindowOutputTest, The133rdCharacterWrapsToColumn0OfTheNextRow) {
    for (int i = 0; i < TW_COLS; ++i) TWPutc(w.get(), 'a');
    TWPutc(w.get(), 'b');
    EXPECT_EQ(ScreenRow(0), std::string(TW_COLS, 'a'));
    EXPECT_EQ(ScreenRow(1), Padded("b"));
    EXPECT_EQ(w->cursor_row, 1);
    EXPECT_EQ(w->cursor_col, 1);
}

TEST_F(TextWindowOutputTest, NewLineOnTheLastRowScrollsTheTopRowIntoTheScrollBack) {
    TWPuts(w.get(), "top");
    TWGoto(w.get(), 24, 0);
    TWPuts(w.get(), "bottom\n");
    EXPECT_EQ(BufferRow(74), Padded("top"));
    EXPECT_EQ(ScreenRow(23), Padded("bottom"));
    EXPECT_EQ(ScreenRow(24), std::string(TW_COLS, ' '));
    EXPECT_EQ(w->cursor_row, 24);
    EXPECT_EQ(w->cursor_col, 0);
    // The drawn screen moves up one row and the uncovered row is drawn.
    ASSERT_EQ(surface.scrolls.size(), 1u);
    EXPECT_EQ(surface.scrolls[0], (RecordingTWSurface::Move{0, -kCellHeight}));
    ASSERT_FALSE(surface.runs.empty());
    EXPECT_EQ(surface.runs.back().row, TW_BUFFER_ROWS - 1);
}

TEST_F(TextWindowOutputTest, BackspaceMovesLeftWithoutErasingAndStopsAtColumn0) {
    TWPuts(w.get(), "ab\b");
    EXPECT_EQ(w->cursor_col, 1);
    EXPECT_EQ(ScreenRow(0), Padded("ab"));
    TWPuts(w.get(), "\b\b");
    EXPECT_EQ(w->cursor_col, 0);
    EXPECT_EQ(w->cursor_row, 0);
}

TEST_F(TextWindowOutputTest, CarriageReturnAndLineFeed) {
    TWPuts(w.get(), "abc\rX");
    EXPECT_EQ(ScreenRow(0), Padded("Xbc"));
    TWPuts(w.get(), "\nY");
    EXPECT_EQ(ScreenRow(1), Padded("Y"));
}

TEST_F(TextWindowOutputTest, PutsRepaintsOneRectanglePerLine) {
    surface.invalidated.clear();
    TWPuts(w.get(), "ab\ncd");
    ASSERT_EQ(surface.invalidated.size(), 2u);
    EXPECT_EQ(surface.invalidated[0], TWCellsRect(*w, TWBufferRow(0), 0, 1));
    EXPECT_EQ(surface.invalidated[1], TWCellsRect(*w, TWBufferRow(1), 0, 1));
}

TEST_F(TextWindowOutputTest, PrintfWritesAtMost131Characters) {
    TWPrintf(w.get(), "%s", std::string(200, 'x').c_str());
    EXPECT_EQ(w->cursor_row, 0);
    EXPECT_EQ(w->cursor_col, 131);
}

TEST_F(TextWindowOutputTest, PokesStoresControlCharactersWrapsAndStopsAfterTheLastCell) {
    TWGoto(w.get(), 3, 3);
    TWPokes(w.get(), 0, 130, "xy\nz");
    EXPECT_EQ(w->text[TWBufferRow(0)][130], 'x');
    EXPECT_EQ(w->text[TWBufferRow(0)][131], 'y');
    EXPECT_EQ(ScreenRow(1), Padded("\nz"));
    TWPokes(w.get(), 24, 131, "pq");
    EXPECT_EQ(w->text[TWBufferRow(24)][131], 'p');
    EXPECT_EQ(BufferRow(0), std::string(TW_COLS, ' '));  // nothing wrapped round
    EXPECT_EQ(w->cursor_row, 3);
    EXPECT_EQ(w->cursor_col, 3);
}

TEST_F(TextWindowOutputTest, PositionsOffTheScreenWriteNothing) {
    auto before = std::make_unique<TW_WINDOW>(*w);
    TWPokec(w.get(), 25, 0, 'x');
    TWPokec(w.get(), -1, 0, 'x');
    TWPokec(w.get(), 0, 132, 'x');
    TWPokes(w.get(), 0, -1, "x");
    TWClearToEndOfLine(w.get(), 25, 0);
    TWClearToEndOfWindow(w.get(), -1, 0);
    TWDeleteChar(w.get(), 0, 132);
    TWInsertChar(w.get(), 30, 0, 'x');
    EXPECT_EQ(std::memcmp(before->text, w->text, sizeof w->text), 0);
    TWGoto(w.get(), 40, 200);
    EXPECT_EQ(w->cursor_row, 24);
    EXPECT_EQ(w->cursor_col, 131);
}

TEST_F(TextWindowOutputTest, ClearToEndOfLineFromColumn0BlanksTheWholeRowInTheCurrentAttribute) {
    TWPokes(w.get(), 2, 0, std::string(TW_COLS, 'x').c_str());
    TWSetAttribute(w.get(), 1);
    TWClearToEndOfLine(w.get(), 2, 0);
    EXPECT_EQ(ScreenRow(2), std::string(TW_COLS, ' '));
    for (int col = 0; col < TW_COLS; ++col) EXPECT_EQ(w->attrs[TWBufferRow(2)][col], 1) << col;
}

TEST_F(TextWindowOutputTest, Column131IsBlankedLikeTheOthers) {
    TWPokec(w.get(), 0, 131, 'x');
    TWPokec(w.get(), 1, 131, 'x');
    TWPokec(w.get(), 2, 0, 'x');
    TWClearToEndOfWindow(w.get(), 0, 131);
    EXPECT_EQ(ScreenRow(0), std::string(TW_COLS, ' '));
    EXPECT_EQ(ScreenRow(1), std::string(TW_COLS, ' '));
    EXPECT_EQ(ScreenRow(2), std::string(TW_COLS, ' '));
}

TEST_F(TextWindowOutputTest, DeleteAndInsertShiftTheRestOfTheRow) {
    TWPokes(w.get(), 0, 0, "abcd");
    TWPokec(w.get(), 0, 131, 'z');
    TWDeleteChar(w.get(), 0, 1);
    EXPECT_EQ(ScreenRow(0).substr(0, 4), "acd ");
    EXPECT_EQ(ScreenRow(0).substr(130), "z ");
    EXPECT_EQ(surface.scrolls.back(), (RecordingTWSurface::Move{-kCellWidth, 0}));
    TWInsertChar(w.get(), 0, 0, 'X');
    EXPECT_EQ(ScreenRow(0).substr(0, 5), "Xacd ");
    EXPECT_EQ(ScreenRow(0).substr(130), " z");
    EXPECT_EQ(surface.scrolls.back(), (RecordingTWSurface::Move{kCellWidth, 0}));
    TWInsertChar(w.get(), 0, 131, 'E');
    EXPECT_EQ(w->text[TWBufferRow(0)][131], 'E');
}

TEST_F(TextWindowOutputTest, ScrollDownBringsTheLastScrollBackRowOntoRow0) {
    std::memcpy(w->text[74], Padded("old").data(), TW_COLS);
    TWPokes(w.get(), 0, 0, "first");
    TWScrollDown(w.get(), 1);
    EXPECT_EQ(ScreenRow(0), Padded("old"));
    EXPECT_EQ(ScreenRow(1), Padded("first"));
    EXPECT_EQ(BufferRow(0), std::string(TW_COLS, ' '));
    EXPECT_EQ(surface.scrolls.back(), (RecordingTWSurface::Move{0, kCellHeight}));
}

TEST_F(TextWindowOutputTest, ClearWindowKeepsTheScrollBackAndTheCursor) {
    std::memcpy(w->text[74], Padded("old").data(), TW_COLS);
    TWPuts(w.get(), "abc");
    TWClearWindow(w.get());
    EXPECT_EQ(ScreenRow(0), std::string(TW_COLS, ' '));
    EXPECT_EQ(BufferRow(74), Padded("old"));
    EXPECT_EQ(w->cursor_col, 3);
}

TEST_F(TextWindowOutputTest, WithoutItsWindowOutputOnlyChangesTheBuffer) {
    w->window = nullptr;
    surface.invalidated.clear();
    TWPuts(w.get(), "abc");
    TWScrollUp(w.get(), 1);
    EXPECT_EQ(BufferRow(74), Padded("abc"));
    EXPECT_TRUE(surface.invalidated.empty());
    EXPECT_TRUE(surface.scrolls.empty());
}

}  // namespace
}  // namespace portkit::screen
