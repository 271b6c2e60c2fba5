// The scrolls (XCopyArea) a window made lately, each with its request's
// serial number. An exposure X generated before it carried out one of them
// reaches us after it, its rectangle still of the window as it was: the
// log tells where the scrolls since then moved those cells, so that they
// are painted there, without asking X to catch up first.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_SCROLL_LOG_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_SCROLL_LOG_X11_H

#include <vector>

#include "screen/terminal_window/dsterm_surface.h"

namespace portkit::x11 {

class X11ScrollLog {
public:
    // The XCopyArea of request `serial` (NextRequest before it) moves
    // `area` by (dx, dy).
    void Note(unsigned long serial, const screen::PixelRect &area, int dx, int dy);
    // Where to paint an exposure of `exposed` that X generated at `serial`.
    std::vector<screen::PixelRect> Follow(const screen::PixelRect &exposed, unsigned long serial);

private:
    struct Scroll {
        unsigned long serial;
        screen::PixelRect area;
        int dx, dy;
    };
    std::vector<Scroll> scrolls_;  // oldest first
};

}  // namespace portkit::x11

#endif
