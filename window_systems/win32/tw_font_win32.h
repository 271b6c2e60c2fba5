// A text window's font: the face the caller names at a character height,
// and the cell it gives.
#ifndef PORTKIT_WINDOW_SYSTEMS_WIN32_TW_FONT_WIN32_H
#define PORTKIT_WINDOW_SYSTEMS_WIN32_TW_FONT_WIN32_H

#include "window_systems/win32/tw_windows_win32.h"

namespace portkit::win32 {

struct TWFontCell {
    int width, height;  // average character width; height plus external leading
    bool variable_pitch;
};

HFONT CreateTWFont(const char *face, int height);
TWFontCell MeasureTWFont(HFONT font);

}  // namespace portkit::win32

#endif
