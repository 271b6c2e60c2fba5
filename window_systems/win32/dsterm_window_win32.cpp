#include "window_systems/win32/dsterm_window_win32.h"

#include <vector>

#include "window_systems/win32/dsterm_shapes_win32.h"
#include "window_systems/win32/gdi_values_win32.h"
#include "screen/cp437.h"
#include "screen/terminal_window/dsterm_cell_shapes.h"
#include "screen/console/console_keys.h"
#include "screen/terminal_window/dsterm_fit.h"
#include "screen/terminal_window/dsterm_keys.h"
#include "screen/terminal_window/dsterm_registry.h"

namespace portkit::win32 {
namespace {

constexpr int kRecordWord = 0;  // the first window word: the record, as the window class promises

constexpr LPARAM kAltDown = 1 << 29;  // a key message's context bit

// Resizes the window so that its client area is `fit`, keeping it centred
// on where it was (in its parent's coordinates for a child).
void ResizeToGrid(HWND window, const RECT &client, const screen::GridFit &fit) {
    RECT outer;
    GetWindowRect(window, &outer);
    if ((GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0) {
        MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT *>(&outer), 2);
    }
    const int width = (outer.right - outer.left) - (client.right - fit.client_width);
    const int height = (outer.bottom - outer.top) - (client.bottom - fit.client_height);
    SetWindowPos(window, nullptr, outer.left + fit.shift_x, outer.top + fit.shift_y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

DSTermWindowWin32::DSTermWindowWin32(HWND window, DSTermInstanceWin32 &instance, screen::CellMetrics cell, int rows,
                                     int cols)
    : window_(window), instance_(instance) {
    model_ = std::make_unique<screen::DSTermModel>(*this, window, cell, rows, cols);
    SetWindowLongPtrA(window_, kRecordWord, reinterpret_cast<LONG_PTR>(&model_->record()));
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    screen::OpenDSTermWindow(model_.get(), instance.slot);
}

DSTermWindowWin32::~DSTermWindowWin32() {
    if (screen::CloseDSTermWindow(model_.get())) CloseDSTermFonts(instance_);
    SetWindowLongPtrA(window_, kRecordWord, 0);
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
}

DSTermWindowWin32 *DSTermWindowWin32::Create(HWND window, const CREATESTRUCTA &create) {
    DSTermInstanceWin32 *instance = DSTermInstanceFor(create.hInstance);
    if (instance == nullptr) return nullptr;
    const screen::DSTermInstance *entry = screen::DSTermInstanceAt(instance->slot);
    if (entry->open_windows == 0) OpenDSTermFonts(*instance);
    const screen::CellMetrics cell = DSTermCell(*instance);
    RECT client;
    GetClientRect(window, &client);
    const screen::GridFit fit =
        screen::FitToCells(client.right, client.bottom, cell, static_cast<unsigned long>(create.style));
    ResizeToGrid(window, client, fit);
    return new DSTermWindowWin32(window, *instance, cell, fit.rows, fit.cols);
}

LRESULT CALLBACK DSTermWindowWin32::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CREATE) {
        return Create(window, *reinterpret_cast<const CREATESTRUCTA *>(lparam)) != nullptr ? 0 : -1;
    }
    auto *self = reinterpret_cast<DSTermWindowWin32 *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(window, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        delete self;
        return DefWindowProcA(window, message, wparam, lparam);
    }
    return self->Handle(message, wparam, lparam);
}

LRESULT DSTermWindowWin32::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SETFOCUS:
            model_->FocusGained();
            return 0;
        case WM_KILLFOCUS:
            FocusLost();
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(window_);
            return 0;
        case WM_GETDLGCODE:
            // Every key, also Tab, Enter and Escape inside a dialog.
            return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
        case WM_CHAR:
            model_->QueueKey(static_cast<int>(wparam & 0xFF));
            return 0;
        case WM_KEYDOWN:
            QueueKeyDown(wparam);
            return 0;
        case WM_SYSKEYDOWN:
            // F10 comes as a system key; Alt combinations (Alt-F4) stay the system's.
            if ((lparam & kAltDown) == 0 && QueueKeyDown(wparam)) return 0;
            break;
        default:
            break;
    }
    return DefWindowProcA(window_, message, wparam, lparam);
}

bool DSTermWindowWin32::QueueKeyDown(WPARAM virtual_key) {
    const int code = screen::DSTermKeyDownCode(static_cast<unsigned>(virtual_key), ControlState());
    if (code == -1) return false;
    model_->QueueKey(code);
    return true;
}

void DSTermWindowWin32::Paint() {
    PAINTSTRUCT paint;
    paint_dc_ = BeginPaint(window_, &paint);
    const RECT &area = paint.rcPaint;
    model_->Paint({area.left, area.top, area.right, area.bottom});
    paint_dc_ = nullptr;
    EndPaint(window_, &paint);
}

void DSTermWindowWin32::FocusLost() {
    model_->FocusLost();
    caret_.Destroy();
}

void DSTermWindowWin32::DrawRun(const screen::CellRun &run) {
    // The cells hold IBM PC characters: drawn in Unicode, so the font's own
    // code page does not matter, one cell apart whatever a glyph's advance.
    // Shape characters are left blank for DrawCellShapes.
    std::vector<wchar_t> text(static_cast<std::size_t>(run.length));
    const std::vector<INT> advances(text.size(), (run.cells.right - run.cells.left) / run.length);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto code = static_cast<unsigned char>(run.text[i]);
        text[i] = screen::DrawnAsShape(code) ? L' ' : static_cast<wchar_t>(screen::Cp437ToUnicode(code));
    }
    HDC dc = paint_dc_ != nullptr ? paint_dc_ : GetDC(window_);
    HGDIOBJ previous = SelectObject(dc, instance_.font);
    SetTextColor(dc, ColourOf(run.foreground));
    SetBkColor(dc, ColourOf(run.background));
    SetBkMode(dc, OPAQUE);
    const RECT cells = RectOf(run.cells);
    ExtTextOutW(dc, run.text_x, run.text_y, ETO_OPAQUE | ETO_CLIPPED, &cells, text.data(),
                static_cast<UINT>(run.length), advances.data());
    DrawCellShapes(dc, run);
    SelectObject(dc, previous);
    if (dc != paint_dc_) ReleaseDC(window_, dc);
}

void DSTermWindowWin32::ScrollUp(const screen::PixelRect &area, int pixels) {
    const RECT scrolled = RectOf(area);
    // What could not be copied (covered by another window) is painted again.
    ScrollWindowEx(window_, 0, -pixels, &scrolled, &scrolled, nullptr, nullptr, SW_INVALIDATE);
}

void DSTermWindowWin32::ShowCaret(const screen::PixelRect &caret) { caret_.Show(window_, caret); }

void DSTermWindowWin32::HideCaret() { caret_.Hide(window_); }

void DSTermWindowWin32::Invalidate(const screen::PixelRect &area) {
    const RECT invalid = RectOf(area);
    InvalidateRect(window_, &invalid, FALSE);
}

}  // namespace portkit::win32
