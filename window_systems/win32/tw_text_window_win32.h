// One text window on Win32: an MDI child of class "VideoClass" whose first
// window word holds its TW_WINDOW, and the TWSurface that record draws
// through (GDI text runs, ScrollWindowEx, the system caret, scroll bars).
#ifndef PORTKIT_WINDOW_SYSTEMS_WIN32_TW_TEXT_WINDOW_WIN32_H
#define PORTKIT_WINDOW_SYSTEMS_WIN32_TW_TEXT_WINDOW_WIN32_H

#include "window_systems/win32/tw_windows_win32.h"

#include "window_systems/win32/system_caret_win32.h"
#include "portkit/textwin.h"
#include "screen/text_windows/tw_platform.h"
#include "screen/text_windows/tw_surface.h"

namespace portkit::win32 {

constexpr char kTextWindowClass[] = "VideoClass";
constexpr int kTextWindowRecordWord = 0;

class TWTextWindowWin32 final : public screen::TWSurface {
public:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    // Makes the font and the MDI child for `w` (TWDefineWindow).
    static screen::TWCreated Create(TW_WINDOW &w, const screen::TWWindowRequest &request);
    // The window stays open but no longer touches `w` (TWFreeWindow).
    static void Forget(TW_WINDOW &w);

    void DrawRun(const screen::TWRun &run) override;
    void Scroll(const screen::PixelRect &area, int dx, int dy) override;
    void ShowCaret(const screen::PixelRect &caret) override;
    void HideCaret() override;
    void Beep() override { MessageBeep(MB_OK); }
    void TakeFocus() override;
    void Invalidate(const screen::PixelRect &area) override;
    void SetScrollBar(screen::TWScrollBar bar, int maximum, int position) override;

private:
    TWTextWindowWin32(HWND window, TW_WINDOW &w);
    ~TWTextWindowWin32() override = default;
    static TWTextWindowWin32 *Of(HWND window);
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
    void Paint();
    void FocusLost();
    // Unhooks the record from the window: the record's `window` becomes 0
    // when the window is gone, and the font goes with it. Deletes this.
    void Release(bool window_destroyed);

    HWND window_;
    TW_WINDOW &w_;
    HDC paint_dc_ = nullptr;  // while WM_PAINT draws
    SystemCaret caret_;
};

}  // namespace portkit::win32

#endif
