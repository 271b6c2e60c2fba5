// One terminal window on X: the platform side of a DSTermModel. It draws the
// model's runs (cell_painter_x11.h), keeps an XOR caret and feeds the model
// the window's events.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_WINDOW_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_WINDOW_X11_H

#include <X11/Xlib.h>

#include <memory>

#include "screen/terminal_window/dsterm_model.h"
#include "window_systems/x11/caret_x11.h"
#include "window_systems/x11/cell_painter_x11.h"
#include "window_systems/x11/connection_x11.h"

namespace portkit::x11 {

class X11Window final : public screen::DSTermSurface, public X11EventTarget {
public:
    // Creates, fits and maps the window; null when X refuses.
    static X11Window *Create(X11Connection &connection, ::Window parent, int x, int y, int width, int height,
                             unsigned long style);

    ::Window id() const { return id_; }
    bool Owns(::Window id) const override { return id == id_; }
    void Handle(XEvent &event) override;

    void DrawRun(const screen::CellRun &run) override;
    void ScrollUp(const screen::PixelRect &area, int pixels) override;
    void ShowCaret(const screen::PixelRect &caret) override;
    void HideCaret() override;
    void Beep() override;
    void StartBlinkTimer(int interval_ms) override { connection_.StartBlinkTimer(interval_ms); }
    void StopBlinkTimer() override { connection_.StopBlinkTimer(); }
    void Invalidate(const screen::PixelRect &area) override;

private:
    X11Window(X11Connection &connection, ::Window id, int rows, int cols);
    ~X11Window() override;
    // Forgets the window after X destroyed it; deletes this.
    void Closed();

    X11Connection &connection_;
    Display *display_;
    ::Window id_;
    GC gc_;
    X11Caret caret_;
    CellPainter painter_;
    std::unique_ptr<screen::DSTermModel> model_;
    int width_ = 0, height_ = 0;
};

}  // namespace portkit::x11

#endif
