// The terminal window's fonts: "Terminal" from dosapp.fon, the OEM bitmap
// font of DOS boxes. Where that face is missing (Wine has no dosapp.fon),
// any fixed-pitch face at its size, and failing that the system's fixed
// OEM font.
#include <cstring>

#include "window_systems/win32/dsterm_instance_win32.h"

namespace portkit::win32 {
namespace {

constexpr char kFontFile[] = "dosapp.fon";
constexpr char kFace[] = "Terminal";

// Unsmoothed: every pixel of a cell is its text or its background colour.
// A null face lets the system choose.
HFONT CreateCellFont(const char *face, BOOL underlined) {
    return CreateFontA(12, 7, 0, 0, FW_NORMAL, FALSE, underlined, FALSE, OEM_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, FIXED_PITCH | FF_MODERN, face);
}

HFONT CreateStockOemFont(BOOL underlined) {
    LOGFONTA font{};
    GetObjectA(GetStockObject(OEM_FIXED_FONT), sizeof font, &font);
    font.lfUnderline = static_cast<BYTE>(underlined);
    font.lfQuality = NONANTIALIASED_QUALITY;
    return CreateFontIndirectA(&font);
}

// The font's metrics; false when the system gave a proportional font, or
// another face than `face_wanted` (when not null).
bool ReadMetrics(HFONT font, const char *face_wanted, TEXTMETRICA &metrics) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(screen, sizeof face, face);
    GetTextMetricsA(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    // The flag's name is the wrong way round: set means variable pitch.
    const bool fixed = (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;
    return fixed && (face_wanted == nullptr || std::strcmp(face, face_wanted) == 0);
}

bool TryFonts(DSTermInstanceWin32 &instance, const char *face) {
    instance.font = CreateCellFont(face, FALSE);
    instance.underlined_font = CreateCellFont(face, TRUE);
    return instance.font != nullptr && ReadMetrics(instance.font, face, instance.metrics);
}

void DeleteFonts(DSTermInstanceWin32 &instance) {
    if (instance.font != nullptr) DeleteObject(instance.font);
    if (instance.underlined_font != nullptr) DeleteObject(instance.underlined_font);
    instance.font = instance.underlined_font = nullptr;
}

}  // namespace

void OpenDSTermFonts(DSTermInstanceWin32 &instance) {
    instance.added_font_file = AddFontResourceA(kFontFile) > 0;
    if (TryFonts(instance, kFace)) return;
    DeleteFonts(instance);
    if (TryFonts(instance, nullptr)) return;
    DeleteFonts(instance);
    instance.font = CreateStockOemFont(FALSE);
    instance.underlined_font = CreateStockOemFont(TRUE);
    ReadMetrics(instance.font, nullptr, instance.metrics);
}

void CloseDSTermFonts(DSTermInstanceWin32 &instance) {
    DeleteFonts(instance);
    if (instance.added_font_file) RemoveFontResourceA(kFontFile);
    instance.added_font_file = false;
}

}  // namespace portkit::win32
