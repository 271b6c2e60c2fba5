// Where an exposure X made before our scrolls is painted: moved with the
// cells by every scroll it predates, and left alone by those it postdates.
#include <gtest/gtest.h>

#include <vector>

#include "window_systems/x11/scroll_log_x11.h"

namespace portkit::x11 {
namespace {

using Rects = std::vector<screen::PixelRect>;
constexpr screen::PixelRect kClient{0, 0, 350, 130};

TEST(X11ScrollLog, AnExposureMovesWithEveryScrollItPredates) {
    X11ScrollLog log;
    log.Note(20, kClient, 0, -13);  // a row up
    log.Note(30, kClient, 0, -13);
    const screen::PixelRect bottom_row{0, 117, 196, 130};
    EXPECT_EQ(log.Follow(bottom_row, 10), (Rects{{0, 91, 196, 104}}));
    EXPECT_EQ(log.Follow(bottom_row, 25), (Rects{{0, 104, 196, 117}}));
    EXPECT_EQ(log.Follow(bottom_row, 30), (Rects{bottom_row}));  // made by the copy itself or after it
}

TEST(X11ScrollLog, CellsScrolledOutOfTheAreaAreNotPaintedAndOnesAcrossItsEdgeAreBoth) {
    X11ScrollLog log;
    log.Note(20, kClient, 0, -13);
    EXPECT_EQ(log.Follow({0, 0, 100, 13}, 10), Rects{});
    const screen::PixelRect across{300, 0, 400, 26};  // partly right of the client
    EXPECT_EQ(log.Follow(across, 10), (Rects{across, {300, 0, 350, 13}}));
}

TEST(X11ScrollLog, ScrollsEveryLaterExposurePostdatesAreForgotten) {
    X11ScrollLog log;
    log.Note(20, kClient, 0, -13);
    EXPECT_EQ(log.Follow({0, 26, 10, 39}, 25), (Rects{{0, 26, 10, 39}}));
    EXPECT_EQ(log.Follow({0, 26, 10, 39}, 10), (Rects{{0, 26, 10, 39}}));  // out of order: no longer known
}

}  // namespace
}  // namespace portkit::x11
