// How the terminal window draws its cells on X: the IBM PC characters
// through a Unicode (ISO 10646) core font, or a Latin-1 one with '?' for
// what it lacks where the server has no Unicode font, and the lines, blocks
// and shades as shapes of the cell.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_CELL_PAINTER_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_CELL_PAINTER_X11_H

#include <X11/Xlib.h>

#include <vector>

#include "screen/terminal_window/dsterm_surface.h"

namespace portkit::x11 {

struct CellFont {
    XFontStruct *font;  // null when the server has none of the fonts
    bool unicode;       // indexed by Unicode code point, not Latin-1
};

class CellPainter {
public:
    CellPainter(Display *display, Drawable on, CellFont font);
    ~CellPainter();
    CellPainter(const CellPainter &) = delete;
    CellPainter &operator=(const CellPainter &) = delete;

    // Draws a run's cells, opaque, with `gc` (whose font is the cell font).
    void DrawRun(GC gc, const screen::CellRun &run, unsigned long foreground, unsigned long background);

private:
    void DrawShapes(GC gc, const screen::CellRun &run);

    Display *display_;
    Drawable on_;
    CellFont font_;
    Pixmap shades_[3];  // stipples of the light, medium and dark shades
    std::vector<XChar2b> glyphs_;
};

}  // namespace portkit::x11

#endif
