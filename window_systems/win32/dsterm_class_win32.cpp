// The Win32 entry points of the terminal window: InitDSTerm registers the
// window class "DSTerm" for an instance, DSTermCreateWindow makes a window
// of it.
#include <windows.h>

#include "window_systems/win32/dsterm_window_win32.h"
#include "portkit/dsterm.h"
#include "screen/terminal_window/dsterm_registry.h"

using namespace portkit;

namespace {

constexpr char kClassName[] = "DSTerm";

// The instance DSTermCreateWindow makes windows for: the last one that
// registered the class.
HINSTANCE latest_instance = nullptr;

}  // namespace

extern "C" {

PORTKIT_API unsigned InitDSTerm(void *instance) {
    // Null stands for the program itself, as a null display does on X.
    HINSTANCE handle = instance != nullptr ? static_cast<HINSTANCE>(instance) : GetModuleHandleA(nullptr);
    const int slot = screen::ClaimDSTermInstance(handle);
    if (slot < 0) return 0;
    screen::DSTermInstanceAt(slot)->platform = new win32::DSTermInstanceWin32{handle, slot};
    WNDCLASSA window_class{};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = win32::DSTermWindowWin32::Procedure;
    window_class.cbWndExtra = sizeof(screen::DSTermRecord);
    window_class.hInstance = handle;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = kClassName;
    const ATOM atom = RegisterClassA(&window_class);
    if (atom != 0) latest_instance = handle;
    return atom;
}

PORTKIT_API EmulatorHandle DSTermCreateWindow(EmulatorHandle parent, int x, int y, int width, int height,
                                              unsigned long style) {
    // The style's low word is the grid's limits; the window kinds are in the high word.
    DWORD window_style = static_cast<DWORD>(style) | WS_VISIBLE;
    window_style |= parent != nullptr ? WS_CHILD : WS_OVERLAPPEDWINDOW;
    HWND window = CreateWindowExA(0, kClassName, parent != nullptr ? "" : kClassName, window_style, x, y, width, height,
                                  static_cast<HWND>(parent), nullptr, latest_instance, nullptr);
    return window;
}

}  // extern "C"
