// The event loop of a modal window (a dialog, a pop-up menu): its own events
// go to it; the other windows are still drawn but take no keys or clicks,
// so the program behind it waits for the answer.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_MODAL_LOOP_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_MODAL_LOOP_X11_H

#include <X11/Xlib.h>

#include "window_systems/x11/connection_x11.h"

namespace portkit::x11 {

template <typename StillOpen, typename Handle>
void RunModalLoop(X11Connection &connection, ::Window window, StillOpen still_open, Handle handle) {
    while (still_open()) {
        XEvent event;
        XNextEvent(connection.display(), &event);
        if (event.xany.window == window) {
            handle(event);
        } else if (event.type != KeyPress && event.type != ButtonPress && event.type != ButtonRelease) {
            connection.Dispatch(event);
        }
    }
}

}  // namespace portkit::x11

#endif
