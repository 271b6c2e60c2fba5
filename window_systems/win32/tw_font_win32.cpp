#include "window_systems/win32/tw_font_win32.h"

namespace portkit::win32 {

// A negative height asks for the character height, without internal leading.
HFONT CreateTWFont(const char *face, int height) {
    return CreateFontA(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

TWFontCell MeasureTWFont(HFONT font) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    // The flag's name is the wrong way round: set means variable pitch.
    return {static_cast<int>(metrics.tmAveCharWidth), static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading),
            (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) != 0};
}

}  // namespace portkit::win32
