// The text windows' frame on X: a top-level window with a menu bar we draw
// (File: Exit; Window: Cascade, Tile and the window list) over the window
// area that holds the text windows as sub-windows.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_TW_FRAME_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_TW_FRAME_X11_H

#include <X11/Xlib.h>

#include <memory>
#include <vector>

#include "portkit/textwin.h"
#include "window_systems/x11/connection_x11.h"

namespace portkit::x11 {

class X11TextWindow;

class X11TWFrame final : public X11EventTarget {
public:
    // Makes and maps the frame; null when X refuses.
    static std::unique_ptr<X11TWFrame> Create(X11Connection &connection, const char *title);
    // A frame still open leaves the connection's targets; it is not closed,
    // since that ends the text windows' instance.
    ~X11TWFrame() override;
    X11TWFrame(const X11TWFrame &) = delete;
    X11TWFrame &operator=(const X11TWFrame &) = delete;

    X11Connection &connection() { return connection_; }
    ::Window frame() const { return frame_; }
    ::Window area() const { return area_; }
    bool open() const { return frame_ != None; }

    X11TextWindow *AddTextWindow(TW_WINDOW &w, XFontStruct *font, int x, int y, int client_width, int client_height);
    void Forget(X11TextWindow *window);
    X11TextWindow *WindowOf(const TW_WINDOW &w) const;

    // Alt with a menu's mnemonic: opens that menu (true) or does nothing.
    bool OpenMenuByMnemonic(char letter);
    // Alt pressed and released by itself: the menu bar takes the keyboard;
    // a mnemonic, Down or Return opens a menu, Left and Right move along the
    // bar, Escape or Alt leaves it.
    void KeyboardMenuBar();
    void CaptionsChanged();
    void Cascade();
    void Tile();
    // Exit or the close box: closes every text window and the frame, and
    // ends the instance (its `quit`).
    void Close();

    bool Owns(::Window id) const override { return id == frame_ || id == area_; }
    void Handle(XEvent &event) override;

private:
    X11TWFrame(X11Connection &connection, ::Window frame, ::Window area);
    int MenuBarHeight() const;
    void DrawMenuBar();
    int MenuTitleAt(int x) const;
    int MenuTitleLeft(int index) const;
    // Runs the menu bar from `index` until a command is chosen or it closes.
    void RunMenus(int index);
    void Command(int menu, int item);

    X11Connection &connection_;
    Display *display_;
    ::Window frame_, area_;
    std::vector<X11TextWindow *> windows_;
    int open_menu_ = -1;
    bool closing_ = false;
};

}  // namespace portkit::x11

#endif
