// The shapes the terminal windows draw for the IBM PC's lines, blocks and
// shades: that box lines meet their neighbours at the cell edges, a few
// characters as pictures, and the character table they stand for.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "screen/cp437.h"
#include "screen/terminal_window/dsterm_cell_shapes.h"

namespace portkit::screen {
namespace {

constexpr int kWidth = 7, kHeight = 13;

// The cell as rows of '#' (text colour) and '.'.
std::vector<std::string> Picture(unsigned char code, int width = kWidth, int height = kHeight) {
    CellShape shape;
    EXPECT_TRUE(CellShapeOf(code, width, height, shape)) << std::hex << int{code};
    std::vector<std::string> rows(static_cast<std::size_t>(height), std::string(static_cast<std::size_t>(width), '.'));
    for (int p = 0; p < shape.count; ++p) {
        const PixelRect &part = shape.parts[p];
        EXPECT_TRUE(part.left >= 0 && part.top >= 0 && part.right <= width && part.bottom <= height);
        for (int y = part.top; y < part.bottom; ++y) {
            for (int x = part.left; x < part.right; ++x) rows[y][x] = '#';
        }
    }
    return rows;
}

// The pixels along one edge of a picture: a line crossing it is one pixel
// on the centre line, or two a pixel either side of it.
std::string Edge(const std::vector<std::string> &rows, char side) {
    std::string edge;
    for (int i = 0; i < (side == 't' || side == 'b' ? kWidth : kHeight); ++i) {
        switch (side) {
            case 't':
                edge += rows.front()[i];
                break;
            case 'b':
                edge += rows.back()[i];
                break;
            case 'l':
                edge += rows[i].front();
                break;
            default:
                edge += rows[i].back();
                break;
        }
    }
    return edge;
}

TEST(DSTermCellShapes, EveryBoxLineMeetsTheCellEdgeWhereItsNeighbourDoes) {
    const std::set<std::string> across = {
        ".......",
        "...#...",
        "..#.#..",
    };
    const std::set<std::string> down = {
        ".............",
        "......#......",
        ".....#.#.....",
    };
    for (unsigned code = 0xB3; code <= 0xDA; ++code) {
        const auto rows = Picture(static_cast<unsigned char>(code));
        for (char side : {'t', 'b'}) EXPECT_TRUE(across.count(Edge(rows, side))) << std::hex << code << side;
        for (char side : {'l', 'r'}) EXPECT_TRUE(down.count(Edge(rows, side))) << std::hex << code << side;
    }
}

// The pictures keep a row of pixels a line; cells of 5 x 7 keep them short.
// clang-format off
TEST(DSTermCellShapes, CornersAndTeesCloseLikeThePcFont) {
    const std::vector<std::string> double_corner = {
        ".....",
        ".....",
        ".####",
        ".#...",
        ".#.##",
        ".#.#.",
        ".#.#.",
    };
    EXPECT_EQ(Picture(0xC9, 5, 7), double_corner);  // ╔
    const std::vector<std::string> double_cross = {
        ".#.#.",
        ".#.#.",
        "##.##",
        ".....",
        "##.##",
        ".#.#.",
        ".#.#.",
    };
    EXPECT_EQ(Picture(0xCE, 5, 7), double_cross);  // ╬
    // A single line stops at the near stroke of a double line running on,
    const std::vector<std::string> single_into_double = {
        ".....",
        ".....",
        "#####",
        ".....",
        "#####",
        "..#..",
        "..#..",
    };
    EXPECT_EQ(Picture(0xD1, 5, 7), single_into_double);  // ╤
    // and runs on to the far stroke of a double line that turns.
    const std::vector<std::string> single_turning = {
        ".....",
        ".....",
        ".....",
        ".####",
        ".#.#.",
        ".#.#.",
        ".#.#.",
    };
    EXPECT_EQ(Picture(0xD6, 5, 7), single_turning);  // ╓
}
// clang-format on

TEST(DSTermCellShapes, HalfBlocksShareTheCellAndShadesTileByQuarters) {
    const auto left = Picture(0xDD), right = Picture(0xDE), top = Picture(0xDF), bottom = Picture(0xDC);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            EXPECT_NE(left[y][x], right[y][x]) << x << "," << y;
            EXPECT_NE(top[y][x], bottom[y][x]) << x << "," << y;
            EXPECT_EQ(Picture(0xDB)[y][x], '#');
        }
    }
    for (int shade = 1; shade <= 3; ++shade) {
        int text = 0;
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 2; ++x) text += ShadePixelIsText(shade, 101 + x, 7 + y) ? 1 : 0;
        }
        EXPECT_EQ(text, shade);
    }
    EXPECT_FALSE(DrawnAsShape('A'));
    EXPECT_FALSE(DrawnAsShape(0xE0));  // α
    CellShape shape;
    EXPECT_FALSE(CellShapeOf(0xFE, kWidth, kHeight, shape));  // ■ is the font's
}

TEST(Cp437, EveryByteHasAGlyphOfItsOwnAndTheShapesAreUnicodesBoxesAndBlocks) {
    // 0x00 is a blank like the space.
    std::set<char16_t> glyphs(kCp437Unicode.begin() + 1, kCp437Unicode.end());
    EXPECT_EQ(glyphs.size(), 255u);
    EXPECT_EQ(Cp437ToUnicode(0x00), u' ');
    for (unsigned code = 0xB0; code <= 0xDF; ++code) {
        const char16_t glyph = Cp437ToUnicode(static_cast<unsigned char>(code));
        EXPECT_TRUE(glyph >= u'\u2500' && glyph <= u'\u259F') << std::hex << code;
    }
    EXPECT_EQ(Cp437ToUnicode(0xC9), u'\u2554');
    EXPECT_EQ(Cp437ToUnicode(0xDB), u'\u2588');
    EXPECT_EQ(Cp437ToUnicode('A'), u'A');
}

}  // namespace
}  // namespace portkit::screen
