// The X display the terminal windows live on: its font, colours, timers and
// the event pump the library's waits run.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_CONNECTION_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_CONNECTION_X11_H

#include <X11/Xlib.h>

#include <chrono>
#include <map>
#include <vector>

#include "screen/terminal_window/dsterm_attributes.h"
#include "screen/terminal_window/dsterm_model.h"
#include "window_systems/x11/cell_painter_x11.h"
#include "window_systems/x11/event_target_x11.h"

namespace portkit::x11 {

class X11Connection {
public:
    // Null when the display cannot be opened or has no usable font.
    static X11Connection *Open(Display *display, int instance);
    // The connection the latest InitDSTerm set up, or null.
    static X11Connection *Latest();

    Display *display() const { return display_; }
    int instance() const { return instance_; }
    // The font of the text windows' frames and captions (Latin-1).
    XFontStruct *font() const { return font_; }
    // The terminal window's font and its cell.
    CellFont cell_font() const { return cell_font_; }
    screen::CellMetrics cell() const;
    unsigned long Pixel(screen::Rgb colour);
    Atom delete_window_atom() const { return wm_delete_window_; }
    Atom protocols_atom() const { return wm_protocols_; }

    void AddWindow(X11EventTarget *window) { windows_.push_back(window); }
    void RemoveWindow(X11EventTarget *window);

    // The instance's blink timer.
    void StartBlinkTimer(int interval_ms);
    void StopBlinkTimer() { blink_running_ = false; }

    // Handles the events the server has sent and the timers that are due;
    // returns the milliseconds until it needs to run again without input
    // (negative: only on input).
    int Pump();
    // Hands an event to the target that owns its window.
    void Dispatch(XEvent &event);

private:
    using Clock = std::chrono::steady_clock;

    X11Connection(Display *display, int instance, XFontStruct *font, CellFont cell_font);
    X11EventTarget *WindowOf(::Window id) const;

    Display *display_;
    int instance_;
    XFontStruct *font_;
    CellFont cell_font_;
    Atom wm_protocols_, wm_delete_window_;
    std::map<unsigned long, unsigned long> pixels_;  // 0xRRGGBB to the colour's pixel
    std::vector<X11EventTarget *> windows_;
    bool blink_running_ = false;
    std::chrono::milliseconds blink_interval_{500};
    Clock::time_point blink_due_;
};

}  // namespace portkit::x11

#endif
