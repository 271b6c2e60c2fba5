#include "window_systems/x11/tw_fonts_x11.h"

#include <strings.h>

#include <cstdlib>
#include <string>

namespace portkit::x11 {
namespace {

// Faces of the other desktop's that draw each character at its own width.
constexpr const char *kProportionalFaces[] = {"Arial",    "Helvetica", "Times New Roman", "Times",    "MS Sans Serif",
                                              "MS Serif", "Tahoma",    "Verdana",         "Segoe UI", "Roman",
                                              "Swiss"};

bool IsProportional(const char *face) {
    if (face == nullptr) return false;
    for (const char *proportional : kProportionalFaces) {
        if (strcasecmp(face, proportional) == 0) return true;
    }
    return false;
}

// The pixel size field of an XLFD name, or -1.
int PixelSizeOf(const char *name) {
    int dashes = 0;
    for (const char *p = name; *p != '\0'; ++p) {
        if (*p == '-' && ++dashes == 7) return std::atoi(p + 1);
    }
    return -1;
}

}  // namespace

TWFont LoadTWFont(Display *display, const char *face, int height) {
    const bool variable_pitch = IsProportional(face);
    int count = 0;
    char **names = XListFonts(display, "-misc-fixed-medium-r-*--*-*-*-*-c-*-iso8859-1", 200, &count);
    std::string best;
    int best_distance = 0;
    for (int i = 0; i < count; ++i) {
        const int size = PixelSizeOf(names[i]);
        if (size <= 0) continue;
        const int distance = std::abs(size - height);
        if (best.empty() || distance < best_distance) {
            best = names[i];
            best_distance = distance;
        }
    }
    if (names != nullptr) XFreeFontNames(names);
    XFontStruct *font = best.empty() ? nullptr : XLoadQueryFont(display, best.c_str());
    if (font == nullptr) font = XLoadQueryFont(display, "fixed");
    return {font, variable_pitch};
}

}  // namespace portkit::x11
