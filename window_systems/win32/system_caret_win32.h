// The system caret of one window, shown or hidden. The system's caret has a
// hide count; the screen logic's caret is shown or not, so it may be hidden
// more often than shown again.
#ifndef PORTKIT_WINDOW_SYSTEMS_WIN32_SYSTEM_CARET_WIN32_H
#define PORTKIT_WINDOW_SYSTEMS_WIN32_SYSTEM_CARET_WIN32_H

#include <windows.h>

#include "screen/terminal_window/dsterm_surface.h"

namespace portkit::win32 {

class SystemCaret {
public:
    // Made on first showing, and only while the window has the focus.
    void Show(HWND window, const screen::PixelRect &caret) {
        if (!created_) {
            if (GetFocus() != window) return;
            CreateCaret(window, nullptr, caret.right - caret.left, caret.bottom - caret.top);
            created_ = true;
        }
        SetCaretPos(caret.left, caret.top);
        if (!visible_) ::ShowCaret(window);
        visible_ = true;
    }
    void Hide(HWND window) {
        if (visible_) ::HideCaret(window);
        visible_ = false;
    }
    // The focus left the window.
    void Destroy() {
        if (created_) DestroyCaret();
        created_ = visible_ = false;
    }

private:
    bool created_ = false, visible_ = false;
};

}  // namespace portkit::win32

#endif
