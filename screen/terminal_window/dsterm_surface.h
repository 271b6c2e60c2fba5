// What the terminal window's logic asks of the platform's window: a few
// drawing calls, the caret, the beep and the blink timer. Win32 (GDI) and
// X11 (Xlib) each implement it; tests record the calls.
//
// A platform window, on creation: FitToCells (dsterm_fit.h) with its font's
// cell, move and size itself by the result, make a DSTermModel over itself
// and OpenDSTermWindow it (dsterm_registry.h). Then it hands the model its
// paint requests (Paint), focus changes, keys (QueueKey, with
// DSTermKeyDownCode for keys without a character) and blink ticks
// (DSTermBlinkTick), and on destruction CloseDSTermWindow. The exported
// calls find the model by the window's handle.
#ifndef PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_SURFACE_H
#define PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_SURFACE_H

#include "screen/terminal_window/dsterm_attributes.h"

namespace portkit::screen {

// Pixels in the window's client coordinates; right and bottom exclusive.
struct PixelRect {
    int left, top, right, bottom;
    friend constexpr bool operator==(const PixelRect &, const PixelRect &) = default;
};

// Cells of one row that share an attribute byte, ready to draw with one
// text call.
struct CellRun {
    int row, column;
    const char *text;  // `length` characters, not zero-terminated
    int length;
    std::uint8_t attribute;
    Rgb foreground, background;  // blink already applied
    PixelRect cells;             // the run's cells: draw opaque, clipped to them
    int text_x, text_y;          // where the font's cell box starts (above the cell by the internal leading)
};

class DSTermSurface {
public:
    virtual ~DSTermSurface() = default;

    virtual void DrawRun(const CellRun &run) = 0;
    // Moves the contents of `area` up by `pixels`; the row it uncovers is
    // drawn afterwards by the caller.
    virtual void ScrollUp(const PixelRect &area, int pixels) = 0;
    // Creates (if needed), places and shows the caret; HideCaret hides it.
    virtual void ShowCaret(const PixelRect &caret) = 0;
    virtual void HideCaret() = 0;
    virtual void Beep() = 0;
    // The instance's blink timer: started with its first window, stopped
    // with its last.
    virtual void StartBlinkTimer(int interval_ms) = 0;
    virtual void StopBlinkTimer() = 0;
    // Asks for a later repaint of `area` (a paint request to the model).
    virtual void Invalidate(const PixelRect &area) = 0;
};

}  // namespace portkit::screen

#endif
