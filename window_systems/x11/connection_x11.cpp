#include "window_systems/x11/connection_x11.h"

#include <X11/Xproto.h>

#include <algorithm>

#include "portkit/event_source.h"
#include "screen/terminal_window/dsterm_registry.h"
#include "window_systems/x11/window_x11.h"

namespace portkit::x11 {
namespace {

// A core font close to the 7x12 "Terminal" face; "fixed" is on every server.
// The terminal window takes the same face in Unicode where the server has
// it, for the IBM PC characters outside Latin-1.
constexpr const char *kFontNames[] = {"-misc-fixed-medium-r-normal--13-*-*-*-c-70-iso8859-1", "7x13", "fixed"};
constexpr char kUnicodeCellFont[] = "-misc-fixed-medium-r-normal--13-*-*-*-c-70-iso10646-1";

X11Connection *latest_connection = nullptr;

int PumpCallback(void *context) { return static_cast<X11Connection *>(context)->Pump(); }

XErrorHandler previous_error_handler = nullptr;

// A window destroyed by someone else is drawn to until its DestroyNotify
// arrives, and a focus request can reach a window a window manager has not
// mapped yet; Xlib's own handler would end the process for those. Other
// errors go where they went before.
int IgnoreVanishedWindows(Display *display, XErrorEvent *error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
    if (error->error_code == BadMatch && error->request_code == X_SetInputFocus) return 0;
    return previous_error_handler != nullptr ? previous_error_handler(display, error) : 0;
}

}  // namespace

X11Connection *X11Connection::Open(Display *display, int instance) {
    if (display == nullptr) return nullptr;
    XFontStruct *font = nullptr;
    for (const char *name : kFontNames) {
        if ((font = XLoadQueryFont(display, name)) != nullptr) break;
    }
    if (font == nullptr) return nullptr;
    CellFont cell_font{XLoadQueryFont(display, kUnicodeCellFont), true};
    if (cell_font.font == nullptr) cell_font = {font, false};
    if (previous_error_handler == nullptr) previous_error_handler = XSetErrorHandler(IgnoreVanishedWindows);
    // Lives as long as the process, like the instance slot that holds it.
    latest_connection = new X11Connection(display, instance, font, cell_font);
    AddPortEventSource(ConnectionNumber(display), PumpCallback, latest_connection, 0);
    return latest_connection;
}

X11Connection *X11Connection::Latest() { return latest_connection; }

X11Connection::X11Connection(Display *display, int instance, XFontStruct *font, CellFont cell_font)
    : display_(display), instance_(instance), font_(font), cell_font_(cell_font) {
    wm_protocols_ = XInternAtom(display, "WM_PROTOCOLS", False);
    wm_delete_window_ = XInternAtom(display, "WM_DELETE_WINDOW", False);
}

screen::CellMetrics X11Connection::cell() const {
    const XFontStruct *font = cell_font_.font;
    return {font->max_bounds.width, font->ascent + font->descent, 0};
}

unsigned long X11Connection::Pixel(screen::Rgb colour) {
    const unsigned long key =
        (static_cast<unsigned long>(colour.red) << 16) | (static_cast<unsigned long>(colour.green) << 8) | colour.blue;
    if (auto found = pixels_.find(key); found != pixels_.end()) return found->second;
    XColor wanted{};
    wanted.red = static_cast<unsigned short>(colour.red * 257);
    wanted.green = static_cast<unsigned short>(colour.green * 257);
    wanted.blue = static_cast<unsigned short>(colour.blue * 257);
    const int screen = DefaultScreen(display_);
    unsigned long pixel = key >= 0x808080 ? WhitePixel(display_, screen) : BlackPixel(display_, screen);
    if (XAllocColor(display_, DefaultColormap(display_, screen), &wanted) != 0) pixel = wanted.pixel;
    pixels_.emplace(key, pixel);
    return pixel;
}

void X11Connection::RemoveWindow(X11EventTarget *window) { std::erase(windows_, window); }

void X11Connection::StartBlinkTimer(int interval_ms) {
    blink_interval_ = std::chrono::milliseconds(interval_ms);
    blink_due_ = Clock::now() + blink_interval_;
    blink_running_ = true;
}

X11EventTarget *X11Connection::WindowOf(::Window id) const {
    auto found =
        std::find_if(windows_.begin(), windows_.end(), [id](X11EventTarget *window) { return window->Owns(id); });
    return found != windows_.end() ? *found : nullptr;
}

void X11Connection::Dispatch(XEvent &event) {
    if (X11EventTarget *window = WindowOf(event.xany.window)) window->Handle(event);
}

int X11Connection::Pump() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        Dispatch(event);
    }
    int next_ms = -1;
    if (blink_running_) {
        const Clock::time_point now = Clock::now();
        if (now >= blink_due_) {
            screen::DSTermBlinkTick(instance_);
            // A late pump does not make up the ticks it missed.
            blink_due_ = std::max(blink_due_ + blink_interval_, now + blink_interval_ / 2);
        }
        next_ms = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(blink_due_ - Clock::now()).count());
        next_ms = std::max(next_ms, 0);
    }
    XFlush(display_);
    if (QLength(display_) > 0) next_ms = 0;
    return next_ms;
}

}  // namespace portkit::x11
