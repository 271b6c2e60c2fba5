#include "window_systems/x11/text_window_x11.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>

#include "screen/text_windows/tw_keys.h"
#include "screen/text_windows/tw_view.h"
#include "window_systems/x11/keys_x11.h"
#include "window_systems/x11/tw_frame_x11.h"
#include "window_systems/x11/tw_look_x11.h"

namespace portkit::x11 {
namespace {

constexpr int kBorder = 1;
constexpr unsigned kScrollLockMask = 0x4;  // Scroll Lock's bit in the keyboard's LED state

bool ScrollLockOn(Display *display) {
    XKeyboardState state{};
    XGetKeyboardControl(display, &state);
    return (state.led_mask & kScrollLockMask) != 0;
}

}  // namespace

X11TextWindow *X11TextWindow::Create(X11TWFrame &frame, TW_WINDOW &w, XFontStruct *font, int x, int y, int client_width,
                                     int client_height) {
    X11Connection &connection = frame.connection();
    Display *display = connection.display();
    const int caption = connection.font()->ascent + connection.font()->descent + 4;
    const int bar = w.scroll_bars ? kTWScrollBarSize : 0;
    const ::Window outer = XCreateSimpleWindow(display, frame.area(), x, y, static_cast<unsigned>(client_width + bar),
                                               static_cast<unsigned>(client_height + caption + bar), kBorder,
                                               connection.Pixel(kTWBlack), connection.Pixel(kTWFace));
    if (outer == None) return nullptr;
    const ::Window client = XCreateSimpleWindow(display, outer, 0, caption, static_cast<unsigned>(client_width),
                                                static_cast<unsigned>(client_height), 0, connection.Pixel(kTWBlack),
                                                connection.Pixel(kTWWhite));
    XSelectInput(display, outer, ExposureMask | ButtonPressMask | ButtonReleaseMask | Button1MotionMask);
    XSelectInput(
        display, client,
        ExposureMask | KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask | ButtonPressMask);
    auto *window = new X11TextWindow(frame, w, font, outer, client);
    window->Layout(client_width, client_height);
    XMapWindow(display, client);
    XMapWindow(display, outer);
    return window;
}

X11TextWindow::X11TextWindow(X11TWFrame &frame, TW_WINDOW &w, XFontStruct *font, ::Window outer, ::Window client)
    : frame_(frame),
      connection_(frame.connection()),
      display_(frame.connection().display()),
      w_(w),
      font_(font),
      outer_(outer),
      client_(client),
      caret_(frame.connection(), client) {
    gc_ = XCreateGC(display_, client_, 0, nullptr);
    XSetFont(display_, gc_, font_->fid);
    if (w_.scroll_bars) {
        vertical_ = std::make_unique<X11TWScrollBar>(connection_, outer_, screen::TWScrollBar::kVertical, w_);
        horizontal_ = std::make_unique<X11TWScrollBar>(connection_, outer_, screen::TWScrollBar::kHorizontal, w_);
    }
    w_.window = reinterpret_cast<void *>(static_cast<std::uintptr_t>(client_));
    w_.font = font_;
    w_.char_width = font_->max_bounds.width;
    w_.char_height = font_->ascent + font_->descent;
    screen::AttachTWSurface(w_, this);
    connection_.AddWindow(this);
}

X11TextWindow::~X11TextWindow() {
    connection_.RemoveWindow(this);
    XFreeGC(display_, gc_);
    XFreeFont(display_, font_);
}

void X11TextWindow::Destroy() {
    if (w_.has_focus) screen::TWFocusLost(w_);
    screen::DetachTWSurface(w_);
    w_.window = nullptr;
    w_.font = nullptr;
    XDestroyWindow(display_, outer_);
    XFlush(display_);
    frame_.Forget(this);
    delete this;
}

int X11TextWindow::caption_height() const { return connection_.font()->ascent + connection_.font()->descent + 4; }
int X11TextWindow::OuterWidth(int client_width) const { return client_width + BarWidth() + 2 * kBorder; }
int X11TextWindow::OuterHeight(int client_height) const {
    return client_height + caption_height() + BarWidth() + 2 * kBorder;
}

bool X11TextWindow::Owns(::Window id) const { return id == outer_ || id == client_ || BarOf(id) != nullptr; }

X11TWScrollBar *X11TextWindow::BarOf(::Window id) const {
    if (vertical_ && vertical_->id() == id) return vertical_.get();
    if (horizontal_ && horizontal_->id() == id) return horizontal_.get();
    return nullptr;
}

void X11TextWindow::Layout(int client_width, int client_height) {
    XResizeWindow(display_, client_, static_cast<unsigned>(client_width), static_cast<unsigned>(client_height));
    if (vertical_) vertical_->Place(client_width, caption_height(), client_height);
    if (horizontal_) horizontal_->Place(0, caption_height() + client_height, client_width);
}

void X11TextWindow::MoveResize(int x, int y, int width, int height) {
    const int client_width = std::max(1, width - 2 * kBorder - BarWidth());
    const int client_height = std::max(1, height - 2 * kBorder - caption_height() - BarWidth());
    XMoveResizeWindow(display_, outer_, x, y, static_cast<unsigned>(client_width + BarWidth()),
                      static_cast<unsigned>(client_height + caption_height() + BarWidth()));
    Layout(client_width, client_height);
}

void X11TextWindow::Raise() { XRaiseWindow(display_, outer_); }

void X11TextWindow::DrawCaption() {
    TWPen pen(connection_, outer_);
    const int width = w_.client_width + BarWidth(), height = caption_height();
    const bool active = w_.has_focus != 0;
    pen.Fill(0, 0, width, height, active ? kTWActiveCaption : kTWFace);
    pen.Text(4, 2, w_.title != nullptr ? w_.title : "", active ? kTWWhite : kTWBlack);
    // The close box at the right end.
    const int box = height - 4;
    pen.Fill(width - box - 2, 2, box, box, kTWFace);
    pen.Frame(width - box - 2, 2, box, box, kTWBlack);
    pen.Text(width - box - 2 + (box - pen.TextWidth("x")) / 2, 2, "x", kTWBlack);
    XFlush(display_);
}

void X11TextWindow::CaptionPress(const XButtonEvent &button) {
    Raise();
    TakeFocus();
    const int box = caption_height() - 4;
    if (button.x >= w_.client_width + BarWidth() - box - 2) {
        Destroy();
        return;
    }
    dragging_ = true;
    drag_x_ = button.x;
    drag_y_ = button.y;
}

void X11TextWindow::Key(XKeyEvent &key) {
    const KeySym pressed = XLookupKeysym(&key, 0);
    alt_alone_ = pressed == XK_Alt_L || pressed == XK_Alt_R;
    if ((key.state & Mod1Mask) != 0) {
        char text[4];
        KeySym keysym = NoSymbol;
        if (XLookupString(&key, text, sizeof text, &keysym, nullptr) == 1 && frame_.OpenMenuByMnemonic(text[0])) return;
    }
    KeySym keysym = XLookupKeysym(&key, 0);
    if (keysym == XK_Alt_L || keysym == XK_Alt_R) return;
    if (const unsigned virtual_key = VirtualKeyOf(XLookupKeysym(&key, 0)); virtual_key != 0) {
        screen::TWKeyDown(w_, virtual_key, ControlStateOf(key.state), ScrollLockOn(display_));
        return;
    }
    char text[8];
    const int length = XLookupString(&key, text, sizeof text, &keysym, nullptr);
    for (int i = 0; i < length; ++i) screen::QueueTWCharacter(w_, static_cast<unsigned char>(text[i]));
}

void X11TextWindow::Handle(XEvent &event) {
    if (X11TWScrollBar *bar = BarOf(event.xany.window)) {
        bar->Handle(event);
        return;
    }
    const bool on_client = event.xany.window == client_;
    switch (event.type) {
        case Expose:
            if (on_client) {
                const XExposeEvent &e = event.xexpose;
                PaintExposed({e.x, e.y, e.x + e.width, e.y + e.height}, e.serial);
            } else if (event.xexpose.count == 0) {
                DrawCaption();
            }
            break;
        case GraphicsExpose: {
            const XGraphicsExposeEvent &e = event.xgraphicsexpose;
            PaintExposed({e.x, e.y, e.x + e.width, e.y + e.height}, e.serial);
            break;
        }
        case ConfigureNotify:
            if (on_client &&
                (event.xconfigure.width != w_.client_width || event.xconfigure.height != w_.client_height)) {
                screen::ResizeTWView(w_, event.xconfigure.width, event.xconfigure.height);
                Invalidate({0, 0, w_.client_width, w_.client_height});
                DrawCaption();
            }
            break;
        case FocusIn:
            if (event.xfocus.detail != NotifyPointer) {
                screen::TWFocusGained(w_);
                frame_.CaptionsChanged();
            }
            break;
        case FocusOut:
            if (event.xfocus.detail != NotifyPointer) {
                screen::TWFocusLost(w_);
                frame_.CaptionsChanged();
            }
            break;
        case ButtonPress:
            if (event.xbutton.button != Button1) break;
            if (on_client) {
                Raise();
                TakeFocus();
            } else {
                CaptionPress(event.xbutton);
            }
            break;
        case MotionNotify:
            if (dragging_) {
                XWindowAttributes place{};
                XGetWindowAttributes(display_, outer_, &place);
                XMoveWindow(display_, outer_, place.x + event.xmotion.x - drag_x_, place.y + event.xmotion.y - drag_y_);
            }
            break;
        case ButtonRelease:
            dragging_ = false;
            break;
        case KeyPress:
            Key(event.xkey);
            break;
        case KeyRelease:
            if (alt_alone_ &&
                (XLookupKeysym(&event.xkey, 0) == XK_Alt_L || XLookupKeysym(&event.xkey, 0) == XK_Alt_R)) {
                alt_alone_ = false;
                frame_.KeyboardMenuBar();
            }
            break;
        default:
            break;
    }
}

void X11TextWindow::DrawRun(const screen::TWRun &run) {
    const unsigned long background = connection_.Pixel(run.background);
    XSetForeground(display_, gc_, background);
    XFillRectangle(display_, client_, gc_, run.cells.left, run.cells.top,
                   static_cast<unsigned>(run.cells.right - run.cells.left),
                   static_cast<unsigned>(run.cells.bottom - run.cells.top));
    XSetForeground(display_, gc_, connection_.Pixel(run.foreground));
    XSetBackground(display_, gc_, background);
    XDrawImageString(display_, client_, gc_, run.cells.left, run.cells.top + font_->ascent, run.text, run.length);
}

void X11TextWindow::Scroll(const screen::PixelRect &area, int dx, int dy) {
    const int width = area.right - area.left - std::abs(dx), height = area.bottom - area.top - std::abs(dy);
    if (width <= 0 || height <= 0) return;
    const int from_x = dx < 0 ? area.left - dx : area.left, from_y = dy < 0 ? area.top - dy : area.top;
    scroll_log_.Note(NextRequest(display_), area, dx, dy);
    XCopyArea(display_, client_, client_, gc_, from_x, from_y, static_cast<unsigned>(width),
              static_cast<unsigned>(height), from_x + dx, from_y + dy);
}

void X11TextWindow::PaintExposed(const screen::PixelRect &exposed, unsigned long serial) {
    for (const screen::PixelRect &place : scroll_log_.Follow(exposed, serial)) screen::PaintTWRect(w_, place);
}

void X11TextWindow::ShowCaret(const screen::PixelRect &caret) { caret_.Show(caret); }

void X11TextWindow::HideCaret() { caret_.Hide(); }

void X11TextWindow::Beep() { XBell(display_, 0); }

void X11TextWindow::TakeFocus() {
    Raise();
    XSetInputFocus(display_, client_, RevertToParent, CurrentTime);
    XFlush(display_);
}

void X11TextWindow::Invalidate(const screen::PixelRect &area) {
    const int left = std::max(area.left, 0), top = std::max(area.top, 0);
    if (area.right <= left || area.bottom <= top) return;
    XClearArea(display_, client_, left, top, static_cast<unsigned>(area.right - left),
               static_cast<unsigned>(area.bottom - top), True);
}

void X11TextWindow::SetScrollBar(screen::TWScrollBar bar, int maximum, int position) {
    X11TWScrollBar *drawn = bar == screen::TWScrollBar::kVertical ? vertical_.get() : horizontal_.get();
    if (drawn != nullptr) drawn->Set(maximum, position);
}

}  // namespace portkit::x11
