// One text window apart from any platform: its cell buffer and cursor, and
// how writing, blanking, shifting and scrolling change them and ask for
// repaints. The exported TW calls are thin wrappers over these (they add the
// TWYield); positions outside the 25 x 132 screen are clipped or ignored.
#ifndef PORTKIT_SCREEN_TEXT_WINDOWS_TW_WINDOW_H
#define PORTKIT_SCREEN_TEXT_WINDOWS_TW_WINDOW_H

#include "portkit/textwin.h"

namespace portkit::screen {

// A fresh record: spaces in attribute 0, cursor home, screen in view.
void InitTWWindow(TW_WINDOW &w, int scroll_bars, const char *title);

inline int TWBufferRow(int screen_row) { return screen_row + TW_SCROLLBACK_ROWS; }
inline int TWBufferRowOfCursor(const TW_WINDOW &w) { return TWBufferRow(w.cursor_row); }
inline bool TWOnScreen(int row, int col) { return row >= 0 && row < TW_ROWS && col >= 0 && col < TW_COLS; }

void TWWriteChar(TW_WINDOW &w, int c);
void TWWriteString(TW_WINDOW &w, const char *text);
void TWMoveCursor(TW_WINDOW &w, int row, int col);
void TWStoreChar(TW_WINDOW &w, int row, int col, int c);
void TWStoreString(TW_WINDOW &w, int row, int col, const char *text);
void TWBlankToEndOfLine(TW_WINDOW &w, int row, int col);
void TWBlankToEndOfWindow(TW_WINDOW &w, int row, int col);
void TWBlankScreen(TW_WINDOW &w);
void TWShiftLeft(TW_WINDOW &w, int row, int col);
void TWShiftRight(TW_WINDOW &w, int row, int col, int c);
void TWScrollBufferUp(TW_WINDOW &w, int n);
void TWScrollBufferDown(TW_WINDOW &w, int n);

}  // namespace portkit::screen

#endif
