// A caret drawn by inverting its rectangle, so that showing it twice in the
// same place puts the cells back as they were, without a redraw.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_CARET_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_CARET_X11_H

#include <X11/Xlib.h>

#include "screen/terminal_window/dsterm_surface.h"
#include "window_systems/x11/connection_x11.h"

namespace portkit::x11 {

class X11Caret {
public:
    X11Caret(X11Connection &connection, Drawable on) : display_(connection.display()), on_(on) {
        XGCValues values{};
        values.function = GXxor;
        values.foreground = connection.Pixel({255, 255, 255}) ^ connection.Pixel({0, 0, 0});
        gc_ = XCreateGC(display_, on_, GCFunction | GCForeground, &values);
    }
    ~X11Caret() { XFreeGC(display_, gc_); }
    X11Caret(const X11Caret &) = delete;
    X11Caret &operator=(const X11Caret &) = delete;

    void Show(const screen::PixelRect &at) {
        if (visible_) {
            if (at == at_) return;
            Flip();
        }
        at_ = at;
        visible_ = true;
        Flip();
        XFlush(display_);
    }

    void Hide() {
        if (!visible_) return;
        Flip();
        visible_ = false;
        XFlush(display_);
    }

private:
    void Flip() {
        XFillRectangle(display_, on_, gc_, at_.left, at_.top, static_cast<unsigned>(at_.right - at_.left),
                       static_cast<unsigned>(at_.bottom - at_.top));
    }

    Display *display_;
    Drawable on_;
    GC gc_;
    screen::PixelRect at_{};
    bool visible_ = false;
};

}  // namespace portkit::x11

#endif
