// The core X fonts the text windows use for the faces applications ask for.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_TW_FONTS_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_TW_FONTS_X11_H

#include <X11/Xlib.h>

namespace portkit::x11 {

struct TWFont {
    XFontStruct *font;    // null when no font could be loaded
    bool variable_pitch;  // the face asked for is a proportional one
};

// The fixed font nearest in height (pixels) to `height` for `face`; every
// face maps to the fixed fonts, and a proportional face is reported as such.
TWFont LoadTWFont(Display *display, const char *face, int height);

}  // namespace portkit::x11

#endif
