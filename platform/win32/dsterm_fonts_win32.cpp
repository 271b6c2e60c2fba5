// The terminal window's fonts: "Terminal" from dosapp.fon, the OEM bitmap
// font of DOS boxes; where that face is missing or not fixed-pitch (Wine has
// no dosapp.fon), the system's fixed OEM font in its place.
#include <cstring>

#include "platform/win32/dsterm_instance_win32.h"

namespace portkit::win32 {
namespace {

constexpr char kFontFile[] = "dosapp.fon";
constexpr char kFace[] = "Terminal";

// Unsmoothed: every pixel of a cell is its text or its background colour.
HFONT CreateTerminalFont(BOOL underlined) {
    return CreateFontA(12, 7, 0, 0, FW_NORMAL, FALSE, underlined, FALSE, OEM_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, FIXED_PITCH | FF_MODERN, kFace);
}

HFONT CreateFallbackFont(BOOL underlined) {
    LOGFONTA font{};
    GetObjectA(GetStockObject(OEM_FIXED_FONT), sizeof font, &font);
    font.lfUnderline = static_cast<BYTE>(underlined);
    font.lfQuality = NONANTIALIASED_QUALITY;
    return CreateFontIndirectA(&font);
}

// The font's metrics; false when the system gave another face or a
// proportional one.
bool ReadMetrics(HFONT font, TEXTMETRICA &metrics) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(screen, sizeof face, face);
    GetTextMetricsA(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    // The flag's name is the wrong way round: set means variable pitch.
    const bool fixed = (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;
    return std::strcmp(face, kFace) == 0 && fixed;
}

}  // namespace

void OpenDSTermFonts(DSTermInstanceWin32 &instance) {
    instance.added_font_file = AddFontResourceA(kFontFile) > 0;
    instance.font = CreateTerminalFont(FALSE);
    instance.underlined_font = CreateTerminalFont(TRUE);
    if (instance.font != nullptr && ReadMetrics(instance.font, instance.metrics)) return;
    CloseDSTermFonts(instance);
    instance.font = CreateFallbackFont(FALSE);
    instance.underlined_font = CreateFallbackFont(TRUE);
    ReadMetrics(instance.font, instance.metrics);
}

void CloseDSTermFonts(DSTermInstanceWin32 &instance) {
    if (instance.font != nullptr) DeleteObject(instance.font);
    if (instance.underlined_font != nullptr) DeleteObject(instance.underlined_font);
    instance.font = instance.underlined_font = nullptr;
    if (instance.added_font_file) RemoveFontResourceA(kFontFile);
    instance.added_font_file = false;
}

}  // namespace portkit::win32
