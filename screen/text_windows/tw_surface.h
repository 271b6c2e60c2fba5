// What a text window's logic asks of the platform's window: drawing runs of
// cells, moving drawn pixels, the caret, the beep, repaint requests and the
// scroll bars. Win32 and X11 each implement it; tests record the calls.
//
// How a platform window drives the logic (tw_view.h, tw_keys.h):
//  - TWPlatform::CreateTextWindow (tw_platform.h) makes the window for a
//    TW_WINDOW: it fills char_width/char_height from the font, creates the
//    window, sets `window`, calls AttachTWSurface(w, surface), then
//    ResizeTWView with the client size, and gives the window the focus.
//  - Paint request: PaintTWRect(w, rect). Size change: ResizeTWView.
//    Focus: TWFocusGained / TWFocusLost.
//  - Keys: characters through QueueTWCharacter, key-downs of keys without a
//    character through TWKeyDown (Scroll Lock state included).
//  - Scroll-bar requests: ScrollTWView(w, TWScrollRequest).
//  - Its menu commands: HandleTWWindowCommand; frame commands other than
//    Exit, Cascade, Tile and the window list: QueueTWFrameCommand.
//  - Destroyed: DetachTWSurface(w) and `window` = 0 (output then only
//    updates the buffer).
// The caret blinks by the platform's own means (no timer here). Draw calls
// may come outside a paint request (scrolling paints at once), so the
// surface must be able to draw at any time.
#ifndef PORTKIT_SCREEN_TEXT_WINDOWS_TW_SURFACE_H
#define PORTKIT_SCREEN_TEXT_WINDOWS_TW_SURFACE_H

#include "portkit/textwin.h"
#include "screen/terminal_window/dsterm_attributes.h"
#include "screen/terminal_window/dsterm_surface.h"

namespace portkit::screen {

// Cells of one buffer row that share an attribute: one text call each.
struct TWRun {
    int row, column;   // buffer row and column of the first cell
    const char *text;  // `length` characters, not zero-terminated
    int length;
    Rgb foreground, background;
    PixelRect cells;  // client pixels of the run; the text starts at its top left
};

enum class TWScrollBar { kHorizontal, kVertical };

class TWSurface {
public:
    virtual ~TWSurface() = default;

    virtual void DrawRun(const TWRun &run) = 0;
    // Moves the pixels inside `area` by (dx, dy), clipped to it; the caller
    // draws what is uncovered.
    virtual void Scroll(const PixelRect &area, int dx, int dy) = 0;
    // Shows the caret at `caret` (moving it there); HideCaret hides it.
    virtual void ShowCaret(const PixelRect &caret) = 0;
    virtual void HideCaret() = 0;
    virtual void Beep() = 0;
    // Gives the window the keyboard focus (TWGoto); the focus change comes
    // back through TWFocusGained.
    virtual void TakeFocus() = 0;
    // Asks for a later paint request of `area`.
    virtual void Invalidate(const PixelRect &area) = 0;
    // Range 0 to `maximum` and the thumb at `position`.
    virtual void SetScrollBar(TWScrollBar bar, int maximum, int position) = 0;
};

// The surface of a text window that has one, else null.
TWSurface *TWSurfaceOf(const TW_WINDOW &w);
void AttachTWSurface(const TW_WINDOW &w, TWSurface *surface);
void DetachTWSurface(const TW_WINDOW &w);

}  // namespace portkit::screen

#endif
