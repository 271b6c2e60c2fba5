// One text window on X: a sub-window of the frame's window area with a
// caption bar (title, close box; dragged to move, clicked to raise) over the
// client window its TW_WINDOW draws in. It is the TWSurface of that record.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_TEXT_WINDOW_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_TEXT_WINDOW_X11_H

#include <X11/Xlib.h>

#include <memory>

#include "portkit/textwin.h"
#include "screen/text_windows/tw_surface.h"
#include "window_systems/x11/caret_x11.h"
#include "window_systems/x11/connection_x11.h"
#include "window_systems/x11/scroll_log_x11.h"
#include "window_systems/x11/tw_scroll_bar_x11.h"

namespace portkit::x11 {

class X11TWFrame;

class X11TextWindow final : public screen::TWSurface, public X11EventTarget {
public:
    // Places the window (x, y) in the window area with a client of
    // client_width x client_height; null when X refuses.
    static X11TextWindow *Create(X11TWFrame &frame, TW_WINDOW &w, XFontStruct *font, int x, int y, int client_width,
                                 int client_height);
    // Destroys the X windows and forgets the record; deletes this.
    void Destroy();

    TW_WINDOW &record() { return w_; }
    ::Window outer() const { return outer_; }
    int caption_height() const;
    // The size of the whole window for a client of that size.
    int OuterWidth(int client_width) const;
    int OuterHeight(int client_height) const;
    void MoveResize(int x, int y, int width, int height);
    void Raise();

    bool Owns(::Window id) const override;
    void Handle(XEvent &event) override;

    void DrawRun(const screen::TWRun &run) override;
    void Scroll(const screen::PixelRect &area, int dx, int dy) override;
    void ShowCaret(const screen::PixelRect &caret) override;
    void HideCaret() override;
    void Beep() override;
    void TakeFocus() override;
    void Invalidate(const screen::PixelRect &area) override;
    void SetScrollBar(screen::TWScrollBar bar, int maximum, int position) override;

private:
    X11TextWindow(X11TWFrame &frame, TW_WINDOW &w, XFontStruct *font, ::Window outer, ::Window client);
    ~X11TextWindow() override;
    // The bars' room beside and below the client.
    int BarWidth() const { return w_.scroll_bars ? kTWScrollBarSize : 0; }
    void Layout(int client_width, int client_height);
    X11TWScrollBar *BarOf(::Window id) const;
    void DrawCaption();
    void CaptionPress(const XButtonEvent &button);
    void Key(XKeyEvent &key);
    // Paints an exposure of the client, and where scrolls since X made it
    // moved its cells.
    void PaintExposed(const screen::PixelRect &exposed, unsigned long serial);

    X11TWFrame &frame_;
    X11Connection &connection_;
    Display *display_;
    TW_WINDOW &w_;
    XFontStruct *font_;
    ::Window outer_, client_;
    GC gc_;
    X11Caret caret_;
    X11ScrollLog scroll_log_;
    std::unique_ptr<X11TWScrollBar> vertical_, horizontal_;
    bool dragging_ = false;
    bool alt_alone_ = false;  // Alt is down and no other key came since
    int drag_x_ = 0, drag_y_ = 0;
};

}  // namespace portkit::x11

#endif
