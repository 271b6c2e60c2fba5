// The X11 entry points of the terminal window: InitDSTerm takes the Xlib
// display, DSTermCreateWindow makes a window on it.
#include <X11/Xlib.h>

#include <cstdint>

#include "portkit/dsterm.h"
#include "screen/terminal_window/dsterm_registry.h"
#include "window_systems/x11/connection_x11.h"
#include "window_systems/x11/window_x11.h"

using namespace portkit;

extern "C" {

PORTKIT_API unsigned InitDSTerm(void *instance) {
    auto *display = static_cast<Display *>(instance);
    if (display == nullptr) display = XOpenDisplay(nullptr);
    if (display == nullptr) return 0;
    const int slot = screen::ClaimDSTermInstance(display);
    if (slot < 0) return 0;
    x11::X11Connection *connection = x11::X11Connection::Open(display, slot);
    if (connection == nullptr) return 0;
    screen::DSTermInstanceAt(slot)->platform = connection;
    return static_cast<unsigned>(slot) + 1;
}

PORTKIT_API EmulatorHandle DSTermCreateWindow(EmulatorHandle parent, int x, int y, int width, int height,
                                              unsigned long style) {
    x11::X11Connection *connection = x11::X11Connection::Latest();
    if (connection == nullptr) return nullptr;
    const auto parent_id = static_cast<::Window>(reinterpret_cast<std::uintptr_t>(parent));
    x11::X11Window *window = x11::X11Window::Create(*connection, parent_id, x, y, width, height, style);
    return window != nullptr ? reinterpret_cast<EmulatorHandle>(static_cast<std::uintptr_t>(window->id())) : nullptr;
}

}  // extern "C"
