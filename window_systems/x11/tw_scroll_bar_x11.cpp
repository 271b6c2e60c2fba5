#include "window_systems/x11/tw_scroll_bar_x11.h"

#include <algorithm>

#include "screen/text_windows/tw_view.h"
#include "window_systems/x11/tw_look_x11.h"

namespace portkit::x11 {
namespace {

constexpr int kThumbLength = kTWScrollBarSize;

}  // namespace

X11TWScrollBar::X11TWScrollBar(X11Connection &connection, ::Window parent, screen::TWScrollBar kind, TW_WINDOW &w)
    : connection_(connection), display_(connection.display()), kind_(kind), w_(w) {
    window_ =
        XCreateSimpleWindow(display_, parent, 0, 0, 1, 1, 0, connection.Pixel(kTWBlack), connection.Pixel(kTWFace));
    XSelectInput(display_, window_, ExposureMask | ButtonPressMask | ButtonReleaseMask | Button1MotionMask);
    XMapWindow(display_, window_);
}

X11TWScrollBar::~X11TWScrollBar() { XDestroyWindow(display_, window_); }

void X11TWScrollBar::Place(int x, int y, int length) {
    length_ = std::max(length, 2 * kTWScrollBarSize + kThumbLength);
    const bool vertical = kind_ == screen::TWScrollBar::kVertical;
    XMoveResizeWindow(display_, window_, x, y, static_cast<unsigned>(vertical ? kTWScrollBarSize : length_),
                      static_cast<unsigned>(vertical ? length_ : kTWScrollBarSize));
    Draw();
}

void X11TWScrollBar::Set(int maximum, int position) {
    maximum_ = std::max(maximum, 0);
    position_ = std::clamp(position, 0, std::max(maximum_, position));
    Draw();
}

int X11TWScrollBar::ThumbStart(int position) const {
    const int room = TroughLength() - kThumbLength;
    const int span = std::max(maximum_, 1);
    return kTWScrollBarSize + std::clamp(position, 0, span) * room / span;
}

void X11TWScrollBar::Draw() {
    if (length_ == 0) return;
    TWPen pen(connection_, window_);
    const bool vertical = kind_ == screen::TWScrollBar::kVertical;
    // Rectangles along the bar, whichever way it lies.
    auto box = [&](int start, int size, screen::Rgb fill) {
        const int x = vertical ? 0 : start, y = vertical ? start : 0;
        const int width = vertical ? kTWScrollBarSize : size, height = vertical ? size : kTWScrollBarSize;
        pen.Fill(x, y, width, height, fill);
        pen.Frame(x, y, width, height, kTWBlack);
    };
    box(0, length_, kTWWorkspace);
    box(0, kTWScrollBarSize, kTWFace);
    box(length_ - kTWScrollBarSize, kTWScrollBarSize, kTWFace);
    box(ThumbStart(drag_offset_ >= 0 ? drag_position_ : position_), kThumbLength, kTWFace);
    const int middle = kTWScrollBarSize / 2;
    pen.Text(vertical ? middle - 3 : middle - 3, 0, vertical ? "^" : "<", kTWBlack);
    if (vertical) {
        pen.Text(middle - 3, length_ - kTWScrollBarSize, "v", kTWBlack);
    } else {
        pen.Text(length_ - kTWScrollBarSize + middle - 3, 0, ">", kTWBlack);
    }
    XFlush(display_);
}

void X11TWScrollBar::Handle(XEvent &event) {
    using enum screen::TWScrollAction;
    switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) Draw();
            break;
        case ButtonPress: {
            if (event.xbutton.button != Button1) break;
            const int along = Along(event.xbutton.x, event.xbutton.y);
            const int thumb = ThumbStart(position_);
            if (along < kTWScrollBarSize) {
                screen::ScrollTWView(w_, kind_, kLineBack);
            } else if (along >= length_ - kTWScrollBarSize) {
                screen::ScrollTWView(w_, kind_, kLineForward);
            } else if (along < thumb) {
                screen::ScrollTWView(w_, kind_, kPageBack);
            } else if (along >= thumb + kThumbLength) {
                screen::ScrollTWView(w_, kind_, kPageForward);
            } else {
                drag_offset_ = along - thumb;
                drag_position_ = position_;
            }
            break;
        }
        case MotionNotify:
            if (drag_offset_ >= 0) {
                const int room = std::max(TroughLength() - kThumbLength, 1);
                const int start = Along(event.xmotion.x, event.xmotion.y) - drag_offset_ - kTWScrollBarSize;
                drag_position_ = std::clamp(start * maximum_ / room, 0, maximum_);
                screen::ScrollTWView(w_, kind_, kThumbTrack, drag_position_);
                Draw();
            }
            break;
        case ButtonRelease:
            if (drag_offset_ >= 0) {
                drag_offset_ = -1;
                screen::ScrollTWView(w_, kind_, kThumbPosition, drag_position_);
                Draw();
            }
            break;
        default:
            break;
    }
}

}  // namespace portkit::x11
