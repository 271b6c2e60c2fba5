// One terminal window on Win32: the window procedure of class "DSTerm" and
// the platform side of its DSTermModel (GDI text runs, ScrollWindowEx, the
// system caret).
#ifndef PORTKIT_WINDOW_SYSTEMS_WIN32_DSTERM_WINDOW_WIN32_H
#define PORTKIT_WINDOW_SYSTEMS_WIN32_DSTERM_WINDOW_WIN32_H

#include <windows.h>

#include <memory>

#include "window_systems/win32/dsterm_instance_win32.h"
#include "window_systems/win32/system_caret_win32.h"
#include "screen/terminal_window/dsterm_model.h"

namespace portkit::win32 {

class DSTermWindowWin32 final : public screen::DSTermSurface {
public:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    void DrawRun(const screen::CellRun &run) override;
    void ScrollUp(const screen::PixelRect &area, int pixels) override;
    void ShowCaret(const screen::PixelRect &caret) override;
    void HideCaret() override;
    void Beep() override { MessageBeep(MB_OK); }
    void StartBlinkTimer(int interval_ms) override { StartDSTermBlinkTimer(instance_, interval_ms); }
    void StopBlinkTimer() override { StopDSTermBlinkTimer(instance_); }
    void Invalidate(const screen::PixelRect &area) override;

private:
    DSTermWindowWin32(HWND window, DSTermInstanceWin32 &instance, screen::CellMetrics cell, int rows, int cols);
    ~DSTermWindowWin32() override;
    // WM_CREATE: fits the window to whole cells; null when its instance
    // never called InitDSTerm.
    static DSTermWindowWin32 *Create(HWND window, const CREATESTRUCTA &create);
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
    void Paint();
    bool QueueKeyDown(WPARAM virtual_key);
    void FocusLost();

    HWND window_;
    DSTermInstanceWin32 &instance_;
    std::unique_ptr<screen::DSTermModel> model_;
    HDC paint_dc_ = nullptr;  // while WM_PAINT draws
    SystemCaret caret_;
};

}  // namespace portkit::win32

#endif
