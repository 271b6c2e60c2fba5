// How the text windows' frame, menus and dialogs are drawn: their colours,
// labels with mnemonics, and a few drawing helpers over a GC.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_TW_LOOK_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_TW_LOOK_X11_H

#include <X11/Xlib.h>

#include <string>

#include "screen/terminal_window/dsterm_attributes.h"
#include "window_systems/x11/connection_x11.h"

namespace portkit::x11 {

constexpr screen::Rgb kTWFace{192, 192, 192};       // menu bar, menus, dialogs, captions without focus
constexpr screen::Rgb kTWWorkspace{128, 128, 128};  // the area behind the text windows
constexpr screen::Rgb kTWActiveCaption{0, 0, 128};  // caption of the window with the focus
constexpr screen::Rgb kTWHighlight{0, 0, 128};      // the selected menu item
constexpr screen::Rgb kTWBlack{0, 0, 0}, kTWWhite{255, 255, 255};

// "&File": text "File", mnemonic 'f' under index 0.
struct TWLabel {
    std::string text;
    int mnemonic_index;  // -1 when none
    char mnemonic;       // lower case, 0 when none
};
TWLabel ParseTWLabel(const char *label);

// Draws with the connection's font on one drawable.
class TWPen {
public:
    TWPen(X11Connection &connection, ::Window window);
    ~TWPen();
    TWPen(const TWPen &) = delete;
    TWPen &operator=(const TWPen &) = delete;

    void Fill(int x, int y, int width, int height, screen::Rgb colour);
    void Frame(int x, int y, int width, int height, screen::Rgb colour);
    // Text whose cell box starts at (x, y); the mnemonic is underlined.
    void Text(int x, int y, const std::string &text, screen::Rgb colour, int underline_index = -1);
    int TextWidth(const std::string &text) const;
    int LineHeight() const;

private:
    X11Connection &connection_;
    ::Window window_;
    GC gc_;
};

}  // namespace portkit::x11

#endif
