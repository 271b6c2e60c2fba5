#include "window_systems/x11/window_x11.h"

#include <X11/Xutil.h>

#include <cstdint>

#include "screen/terminal_window/dsterm_fit.h"
#include "screen/terminal_window/dsterm_registry.h"
#include "window_systems/x11/keys_x11.h"

namespace portkit::x11 {
namespace {

void *HandleOf(::Window id) { return reinterpret_cast<void *>(static_cast<std::uintptr_t>(id)); }

}  // namespace

X11Window *X11Window::Create(X11Connection &connection, ::Window parent, int x, int y, int width, int height,
                             unsigned long style) {
    Display *display = connection.display();
    if (parent == None) parent = DefaultRootWindow(display);
    const screen::GridFit fit = screen::FitToCells(width, height, connection.cell(), style);
    x += fit.shift_x;
    y += fit.shift_y;
    const int screen = DefaultScreen(display);
    const ::Window id = XCreateSimpleWindow(display, parent, x, y, static_cast<unsigned>(fit.client_width),
                                            static_cast<unsigned>(fit.client_height), 0, BlackPixel(display, screen),
                                            BlackPixel(display, screen));
    if (id == None) return nullptr;
    XSelectInput(display, id, ExposureMask | KeyPressMask | FocusChangeMask | StructureNotifyMask | ButtonPressMask);
    if (parent == DefaultRootWindow(display)) {
        XStoreName(display, id, "DSTerm");
        XSizeHints hints{};
        hints.flags = PPosition | PSize;
        hints.x = x;
        hints.y = y;
        hints.width = fit.client_width;
        hints.height = fit.client_height;
        XSetWMNormalHints(display, id, &hints);
        Atom protocols[] = {connection.delete_window_atom()};
        XSetWMProtocols(display, id, protocols, 1);
    }
    auto *window = new X11Window(connection, id, fit.rows, fit.cols);
    window->width_ = fit.client_width;
    window->height_ = fit.client_height;
    XMapWindow(display, id);
    XFlush(display);
    return window;
}

X11Window::X11Window(X11Connection &connection, ::Window id, int rows, int cols)
    : connection_(connection),
      display_(connection.display()),
      id_(id),
      caret_(connection, id),
      painter_(display_, id, connection.cell_font()) {
    gc_ = XCreateGC(display_, id_, 0, nullptr);
    XSetFont(display_, gc_, connection.cell_font().font->fid);
    model_ = std::make_unique<screen::DSTermModel>(*this, HandleOf(id), connection.cell(), rows, cols);
    connection_.AddWindow(this);
    screen::OpenDSTermWindow(model_.get(), connection.instance());
}

X11Window::~X11Window() {
    screen::CloseDSTermWindow(model_.get());
    connection_.RemoveWindow(this);
    XFreeGC(display_, gc_);
}

void X11Window::Closed() { delete this; }

void X11Window::Handle(XEvent &event) {
    switch (event.type) {
        case Expose: {
            const XExposeEvent &expose = event.xexpose;
            model_->Paint({expose.x, expose.y, expose.x + expose.width, expose.y + expose.height});
            break;
        }
        case GraphicsExpose: {
            // Part of what a scroll copied was hidden.
            const XGraphicsExposeEvent &expose = event.xgraphicsexpose;
            model_->Paint({expose.x, expose.y, expose.x + expose.width, expose.y + expose.height});
            break;
        }
        case ConfigureNotify:
            // The grid keeps its size; what was uncovered is drawn again.
            if (event.xconfigure.width != width_ || event.xconfigure.height != height_) {
                width_ = event.xconfigure.width;
                height_ = event.xconfigure.height;
                Invalidate({0, 0, width_, height_});
            }
            break;
        case FocusIn:
            model_->FocusGained();
            break;
        case FocusOut:
            model_->FocusLost();
            break;
        case ButtonPress:
            if (event.xbutton.button == Button1) XSetInputFocus(display_, id_, RevertToParent, event.xbutton.time);
            break;
        case KeyPress: {
            int codes[kMaxCodesPerKey];
            const int count = KeyCodesOf(&event.xkey, codes);
            for (int i = 0; i < count; ++i) model_->QueueKey(codes[i]);
            break;
        }
        case ClientMessage:
            if (event.xclient.message_type == connection_.protocols_atom() &&
                static_cast<Atom>(event.xclient.data.l[0]) == connection_.delete_window_atom()) {
                XDestroyWindow(display_, id_);
                XFlush(display_);
                Closed();
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == id_) Closed();
            break;
        default:
            break;
    }
}

void X11Window::DrawRun(const screen::CellRun &run) {
    painter_.DrawRun(gc_, run, connection_.Pixel(run.foreground), connection_.Pixel(run.background));
    XFlush(display_);
}

void X11Window::ScrollUp(const screen::PixelRect &area, int pixels) {
    const int width = area.right - area.left, height = area.bottom - area.top - pixels;
    if (height > 0) {
        XCopyArea(display_, id_, id_, gc_, area.left, area.top + pixels, static_cast<unsigned>(width),
                  static_cast<unsigned>(height), area.left, area.top);
    }
}

void X11Window::ShowCaret(const screen::PixelRect &caret) { caret_.Show(caret); }

void X11Window::HideCaret() { caret_.Hide(); }

void X11Window::Beep() {
    XBell(display_, 0);
    XFlush(display_);
}

void X11Window::Invalidate(const screen::PixelRect &area) {
    XClearArea(display_, id_, area.left, area.top, static_cast<unsigned>(area.right - area.left),
               static_cast<unsigned>(area.bottom - area.top), True);
}

}  // namespace portkit::x11
