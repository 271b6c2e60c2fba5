// A scroll bar we draw for a text window: arrows at both ends and a thumb.
// Arrow clicks scroll a line, trough clicks ask for a page and dragging the
// thumb gives a position when released.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_TW_SCROLL_BAR_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_TW_SCROLL_BAR_X11_H

#include <X11/Xlib.h>

#include "portkit/textwin.h"
#include "screen/text_windows/tw_surface.h"
#include "window_systems/x11/connection_x11.h"

namespace portkit::x11 {

constexpr int kTWScrollBarSize = 14;

class X11TWScrollBar {
public:
    X11TWScrollBar(X11Connection &connection, ::Window parent, screen::TWScrollBar kind, TW_WINDOW &w);
    ~X11TWScrollBar();
    X11TWScrollBar(const X11TWScrollBar &) = delete;
    X11TWScrollBar &operator=(const X11TWScrollBar &) = delete;

    ::Window id() const { return window_; }
    void Place(int x, int y, int length);
    void Set(int maximum, int position);
    void Handle(XEvent &event);

private:
    void Draw();
    // Pixels along the bar: the trough between the arrows and the thumb in it.
    int TroughLength() const { return length_ - 2 * kTWScrollBarSize; }
    int ThumbStart(int position) const;
    int Along(int x, int y) const { return kind_ == screen::TWScrollBar::kVertical ? y : x; }

    X11Connection &connection_;
    Display *display_;
    screen::TWScrollBar kind_;
    TW_WINDOW &w_;
    ::Window window_;
    int length_ = 0;
    int maximum_ = 0, position_ = 0;
    int drag_offset_ = -1;  // where in the thumb the drag took it; -1: no drag
    int drag_position_ = 0;
};

}  // namespace portkit::x11

#endif
