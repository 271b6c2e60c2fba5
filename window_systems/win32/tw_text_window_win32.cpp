#include "window_systems/win32/tw_text_window_win32.h"

#include "window_systems/win32/gdi_values_win32.h"
#include "window_systems/win32/tw_font_win32.h"
#include "screen/text_windows/tw_instance.h"
#include "screen/text_windows/tw_keys.h"
#include "screen/text_windows/tw_view.h"

namespace portkit::win32 {
namespace {

using screen::TWScrollAction;

// Positions in system-font cells; CW_USEDEFAULT lets the MDI client choose.
int CellToPixels(int cells, int cell_size) { return cells == CW_USEDEFAULT ? CW_USEDEFAULT : cells * cell_size; }

bool ScrollActionOf(WPARAM wparam, TWScrollAction &action) {
    switch (LOWORD(wparam)) {
        case SB_LINEUP:
            action = TWScrollAction::kLineBack;
            return true;
        case SB_LINEDOWN:
            action = TWScrollAction::kLineForward;
            return true;
        case SB_PAGEUP:
            action = TWScrollAction::kPageBack;
            return true;
        case SB_PAGEDOWN:
            action = TWScrollAction::kPageForward;
            return true;
        case SB_THUMBPOSITION:
            action = TWScrollAction::kThumbPosition;
            return true;
        case SB_THUMBTRACK:
            action = TWScrollAction::kThumbTrack;
            return true;
        case SB_TOP:
            action = TWScrollAction::kStart;
            return true;
        case SB_BOTTOM:
            action = TWScrollAction::kEnd;
            return true;
        default:
            return false;  // SB_ENDSCROLL
    }
}

}  // namespace

TWTextWindowWin32::TWTextWindowWin32(HWND window, TW_WINDOW &w) : window_(window), w_(w) {
    SetWindowLongPtrA(window_, kTextWindowRecordWord, reinterpret_cast<LONG_PTR>(&w_));
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    w_.window = window_;
    screen::AttachTWSurface(w_, this);
}

TWTextWindowWin32 *TWTextWindowWin32::Of(HWND window) {
    return reinterpret_cast<TWTextWindowWin32 *>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

screen::TWCreated TWTextWindowWin32::Create(TW_WINDOW &w, const screen::TWWindowRequest &request) {
    const TWInstanceData *instance = GetTWInstanceDataPtr();
    if (instance == nullptr || instance->mdi_client == nullptr || instance->quit) return {false, false};
    HFONT font = CreateTWFont(request.font_face, request.font_height);
    if (font == nullptr) return {false, false};
    const TWFontCell cell = MeasureTWFont(font);
    w.font = font;
    w.char_width = cell.width;
    w.char_height = cell.height;

    const screen::TWSettings &settings = screen::TheTWSettings();
    const screen::TWSystemMetrics &metrics = settings.metrics;
    MDICREATESTRUCTA create{};
    create.szClass = kTextWindowClass;
    create.szTitle = w.title != nullptr ? w.title : "";
    create.hOwner = static_cast<HINSTANCE>(instance->instance);
    create.x = CellToPixels(request.col, settings.system_char_width);
    create.y = CellToPixels(request.row, settings.system_char_height);
    create.cx = request.width * cell.width + 2 * metrics.frame_width;
    create.cy = request.height * cell.height + 2 * metrics.frame_width + metrics.caption_height;
    if (w.scroll_bars) {
        create.cx += metrics.vertical_scroll_width;
        create.cy += metrics.horizontal_scroll_height;
        create.style = WS_HSCROLL | WS_VSCROLL;
    }
    create.lParam = reinterpret_cast<LPARAM>(&w);
    HWND mdi_client = static_cast<HWND>(instance->mdi_client);
    auto window = reinterpret_cast<HWND>(SendMessageA(mdi_client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
    if (window == nullptr) {
        DeleteObject(font);
        w.font = nullptr;
        return {false, false};
    }
    RECT client;
    GetClientRect(window, &client);
    screen::ResizeTWView(w, client.right, client.bottom);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    if (TWTextWindowWin32 *self = Of(window)) self->TakeFocus();
    return {true, cell.variable_pitch};
}

void TWTextWindowWin32::Forget(TW_WINDOW &w) {
    if (w.window == nullptr) return;
    if (TWTextWindowWin32 *self = Of(static_cast<HWND>(w.window))) self->Release(false);
}

void TWTextWindowWin32::Release(bool window_destroyed) {
    if (w_.has_focus) FocusLost();
    screen::DetachTWSurface(w_);
    SetWindowLongPtrA(window_, kTextWindowRecordWord, 0);
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    if (window_destroyed) {
        w_.window = nullptr;
        if (w_.font != nullptr) DeleteObject(static_cast<HFONT>(w_.font));
        w_.font = w_.previous_font = nullptr;
    }
    delete this;
}

LRESULT CALLBACK TWTextWindowWin32::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CREATE) {
        const auto &create = *reinterpret_cast<const CREATESTRUCTA *>(lparam);
        const auto &mdi = *static_cast<const MDICREATESTRUCTA *>(create.lpCreateParams);
        auto *w = reinterpret_cast<TW_WINDOW *>(mdi.lParam);
        if (w == nullptr) return -1;
        new TWTextWindowWin32(window, *w);
        return 0;
    }
    TWTextWindowWin32 *self = Of(window);
    if (self == nullptr) return DefMDIChildProcA(window, message, wparam, lparam);
    if (message == WM_DESTROY) {
        self->Release(true);
        return DefMDIChildProcA(window, message, wparam, lparam);
    }
    return self->Handle(message, wparam, lparam);
}

LRESULT TWTextWindowWin32::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SIZE:
            // The MDI child's own handling (maximising) needs the message too.
            if (wparam != SIZE_MINIMIZED) screen::ResizeTWView(w_, LOWORD(lparam), HIWORD(lparam));
            break;
        case WM_SETFOCUS:
            screen::TWFocusGained(w_);
            return 0;
        case WM_KILLFOCUS:
            FocusLost();
            return 0;
        case WM_CHAR:
            screen::QueueTWCharacter(w_, static_cast<int>(wparam & 0xFF));
            return 0;
        case WM_KEYDOWN:
            screen::TWKeyDown(w_, static_cast<unsigned>(wparam), ControlState(), (GetKeyState(VK_SCROLL) & 1) != 0);
            return 0;
        case WM_HSCROLL:
        case WM_VSCROLL: {
            TWScrollAction action;
            if (ScrollActionOf(wparam, action)) {
                screen::ScrollTWView(
                    w_, message == WM_HSCROLL ? screen::TWScrollBar::kHorizontal : screen::TWScrollBar::kVertical,
                    action, static_cast<short>(HIWORD(wparam)));
            }
            return 0;
        }
        case WM_COMMAND:
            // The choices of TWMenu's pop-up, which this window owns.
            screen::HandleTWWindowCommand(w_, LOWORD(wparam));
            return 0;
        default:
            break;
    }
    return DefMDIChildProcA(window_, message, wparam, lparam);
}

void TWTextWindowWin32::Paint() {
    PAINTSTRUCT paint;
    paint_dc_ = BeginPaint(window_, &paint);
    const RECT &area = paint.rcPaint;
    screen::PaintTWRect(w_, {area.left, area.top, area.right, area.bottom});
    paint_dc_ = nullptr;
    EndPaint(window_, &paint);
}

void TWTextWindowWin32::FocusLost() {
    screen::TWFocusLost(w_);
    caret_.Destroy();
}

void TWTextWindowWin32::DrawRun(const screen::TWRun &run) {
    HDC dc = paint_dc_ != nullptr ? paint_dc_ : GetDC(window_);
    w_.previous_font = SelectObject(dc, static_cast<HFONT>(w_.font));
    SetTextColor(dc, ColourOf(run.foreground));
    SetBkColor(dc, ColourOf(run.background));
    SetBkMode(dc, OPAQUE);
    const RECT cells = RectOf(run.cells);
    ExtTextOutA(dc, cells.left, cells.top, ETO_OPAQUE | ETO_CLIPPED, &cells, run.text, static_cast<UINT>(run.length),
                nullptr);
    SelectObject(dc, static_cast<HGDIOBJ>(w_.previous_font));
    if (dc != paint_dc_) ReleaseDC(window_, dc);
}

void TWTextWindowWin32::Scroll(const screen::PixelRect &area, int dx, int dy) {
    const RECT scrolled = RectOf(area);
    // What could not be copied (covered by another window) is painted again.
    ScrollWindowEx(window_, dx, dy, &scrolled, &scrolled, nullptr, nullptr, SW_INVALIDATE);
}

void TWTextWindowWin32::ShowCaret(const screen::PixelRect &caret) { caret_.Show(window_, caret); }

void TWTextWindowWin32::HideCaret() { caret_.Hide(window_); }

void TWTextWindowWin32::TakeFocus() {
    if (GetFocus() == window_) return;
    SendMessageA(GetParent(window_), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(window_), 0);
    SetFocus(window_);
}

void TWTextWindowWin32::Invalidate(const screen::PixelRect &area) {
    const RECT invalid = RectOf(area);
    InvalidateRect(window_, &invalid, FALSE);
}

// Disabled rather than hidden when there is nothing to scroll: a bar that
// came and went would change the client size under the view.
void TWTextWindowWin32::SetScrollBar(screen::TWScrollBar bar, int maximum, int position) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMax = maximum;
    info.nPos = position;
    SetScrollInfo(window_, bar == screen::TWScrollBar::kHorizontal ? SB_HORZ : SB_VERT, &info, TRUE);
}

}  // namespace portkit::win32
