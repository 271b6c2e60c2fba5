// What a text window shows of its buffer: painting, the caret, the view's
// place after a resize or a focus change, and scrolling by the user.
#ifndef PORTKIT_SCREEN_TEXT_WINDOWS_TW_VIEW_H
#define PORTKIT_SCREEN_TEXT_WINDOWS_TW_VIEW_H

#include "portkit/textwin.h"
#include "screen/text_windows/tw_surface.h"

namespace portkit::screen {

constexpr int kTWCaretWidth = 8;

// Client pixels of columns first to last of a buffer row.
PixelRect TWCellsRect(const TW_WINDOW &w, int buffer_row, int first_col, int last_col);
// Asks for a repaint of those cells (nothing without a surface).
void InvalidateTWCells(const TW_WINDOW &w, int buffer_row, int first_col, int last_col);
PixelRect TWClientRect(const TW_WINDOW &w);

// Draws the cells `area` touches, one run per attribute, then the caret.
void PaintTWRect(TW_WINDOW &w, const PixelRect &area);
// Shows the caret at the cursor when the window has the focus and the
// cursor's cell is in view, else hides it.
void UpdateTWCaret(TW_WINDOW &w);

void ResizeTWView(TW_WINDOW &w, int client_width, int client_height);
// Brings the cursor into view (windows without scroll bars).
void FollowTWCursor(TW_WINDOW &w);
void TWFocusGained(TW_WINDOW &w);
void TWFocusLost(TW_WINDOW &w);

enum class TWScrollAction {
    kLineBack,
    kLineForward,
    kPageBack,
    kPageForward,
    kThumbTrack,
    kThumbPosition,
    kStart,
    kEnd
};
// A scroll-bar request (windows with scroll bars only).
void ScrollTWView(TW_WINDOW &w, TWScrollBar bar, TWScrollAction action, int position = 0);

}  // namespace portkit::screen

#endif
