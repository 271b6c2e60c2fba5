#include "window_systems/win32/dsterm_shapes_win32.h"

#include "screen/terminal_window/dsterm_cell_shapes.h"

namespace portkit::win32 {
namespace {

// An 8 x 8 monochrome brush of the shade's pattern: GDI draws its 0 bits in
// the text colour and its 1 bits in the background colour, from the DC's
// origin, so neighbouring cells continue each other's pattern.
HBRUSH CreateShadeBrush(int shade) {
    BYTE rows[8][2] = {};  // each row padded to 16 bits, the leftmost pixel the top bit of its first byte
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (!screen::ShadePixelIsText(shade, x, y)) rows[y][0] = static_cast<BYTE>(rows[y][0] | (0x80u >> x));
        }
    }
    HBITMAP pattern = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(pattern);
    DeleteObject(pattern);  // the brush keeps a copy
    return brush;
}

}  // namespace

void DrawCellShapes(HDC dc, const screen::CellRun &run) {
    HBRUSH text_brush = nullptr;
    screen::ForEachShapeInRun(run, [&](int left, int top, const screen::CellShape &shape) {
        if (shape.shade > 0) {
            const screen::PixelRect &cell = shape.parts[0];
            HBRUSH brush = CreateShadeBrush(shape.shade);
            HGDIOBJ previous = SelectObject(dc, brush);
            PatBlt(dc, left, top, cell.right, cell.bottom, PATCOPY);
            SelectObject(dc, previous);
            DeleteObject(brush);
            return;
        }
        if (text_brush == nullptr) text_brush = CreateSolidBrush(GetTextColor(dc));
        for (int p = 0; p < shape.count; ++p) {
            const screen::PixelRect &part = shape.parts[p];
            const RECT rect{left + part.left, top + part.top, left + part.right, top + part.bottom};
            FillRect(dc, &rect, text_brush);
        }
    });
    if (text_brush != nullptr) DeleteObject(text_brush);
}

}  // namespace portkit::win32
