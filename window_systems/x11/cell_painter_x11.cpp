#include "window_systems/x11/cell_painter_x11.h"

#include <iterator>

#include "screen/cp437.h"
#include "screen/terminal_window/dsterm_cell_shapes.h"

namespace portkit::x11 {
namespace {

XChar2b GlyphOf(unsigned char code, bool unicode) {
    char16_t point = screen::Cp437ToUnicode(code);
    if (!unicode && point > 0xFF) point = u'?';
    return {static_cast<unsigned char>(point >> 8), static_cast<unsigned char>(point & 0xFF)};
}

}  // namespace

CellPainter::CellPainter(Display *display, Drawable on, CellFont font) : display_(display), on_(on), font_(font) {
    for (int shade = 1; shade <= 3; ++shade) {
        char rows[2] = {};
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 2; ++x) {
                if (screen::ShadePixelIsText(shade, x, y)) rows[y] = static_cast<char>(rows[y] | (1 << x));
            }
        }
        shades_[shade - 1] = XCreateBitmapFromData(display_, on_, rows, 2, 2);
    }
}

CellPainter::~CellPainter() {
    for (Pixmap shade : shades_) XFreePixmap(display_, shade);
}

void CellPainter::DrawRun(GC gc, const screen::CellRun &run, unsigned long foreground, unsigned long background) {
    // The cells first, in case a glyph box is narrower than the cell.
    XSetForeground(display_, gc, background);
    XFillRectangle(display_, on_, gc, run.cells.left, run.cells.top,
                   static_cast<unsigned>(run.cells.right - run.cells.left),
                   static_cast<unsigned>(run.cells.bottom - run.cells.top));
    XSetForeground(display_, gc, foreground);
    XSetBackground(display_, gc, background);
    glyphs_.resize(static_cast<std::size_t>(run.length));
    for (int i = 0; i < run.length; ++i) {
        const auto code = static_cast<unsigned char>(run.text[i]);
        // A shape's cell gets a blank glyph, for the shape to be drawn on.
        glyphs_[static_cast<std::size_t>(i)] =
            screen::DrawnAsShape(code) ? XChar2b{0, ' '} : GlyphOf(code, font_.unicode);
    }
    XDrawImageString16(display_, on_, gc, run.text_x, run.text_y + font_.font->ascent, glyphs_.data(), run.length);
    DrawShapes(gc, run);
}

void CellPainter::DrawShapes(GC gc, const screen::CellRun &run) {
    screen::ForEachShapeInRun(run, [&](int left, int top, const screen::CellShape &shape) {
        if (shape.shade > 0) {
            XSetStipple(display_, gc, shades_[shape.shade - 1]);
            XSetFillStyle(display_, gc, FillOpaqueStippled);
        }
        XRectangle parts[std::size(shape.parts)];
        for (int p = 0; p < shape.count; ++p) {
            const screen::PixelRect &part = shape.parts[p];
            parts[p] = {static_cast<short>(left + part.left), static_cast<short>(top + part.top),
                        static_cast<unsigned short>(part.right - part.left),
                        static_cast<unsigned short>(part.bottom - part.top)};
        }
        XFillRectangles(display_, on_, gc, parts, shape.count);
        if (shape.shade > 0) XSetFillStyle(display_, gc, FillSolid);
    });
}

}  // namespace portkit::x11
