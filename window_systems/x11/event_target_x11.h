// Anything on the X connection that takes events for windows of its own:
// the terminal windows, the text windows' frame and their sub-windows.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_EVENT_TARGET_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_EVENT_TARGET_X11_H

#include <X11/Xlib.h>

namespace portkit::x11 {

class X11EventTarget {
public:
    virtual ~X11EventTarget() = default;
    virtual bool Owns(::Window id) const = 0;
    virtual void Handle(XEvent &event) = 0;
};

}  // namespace portkit::x11

#endif
