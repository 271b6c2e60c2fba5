#include "window_systems/x11/tw_look_x11.h"

#include <cctype>

namespace portkit::x11 {

TWLabel ParseTWLabel(const char *label) {
    TWLabel parsed{"", -1, 0};
    for (const char *p = label != nullptr ? label : ""; *p != '\0'; ++p) {
        if (*p == '&' && p[1] != '\0' && p[1] != '&' && parsed.mnemonic_index < 0) {
            parsed.mnemonic_index = static_cast<int>(parsed.text.size());
            parsed.mnemonic = static_cast<char>(std::tolower(static_cast<unsigned char>(p[1])));
            continue;
        }
        if (*p == '&' && p[1] == '&') ++p;
        parsed.text += *p;
    }
    return parsed;
}

TWPen::TWPen(X11Connection &connection, ::Window window) : connection_(connection), window_(window) {
    gc_ = XCreateGC(connection.display(), window, 0, nullptr);
    XSetFont(connection.display(), gc_, connection.font()->fid);
}

TWPen::~TWPen() { XFreeGC(connection_.display(), gc_); }

void TWPen::Fill(int x, int y, int width, int height, screen::Rgb colour) {
    if (width <= 0 || height <= 0) return;
    XSetForeground(connection_.display(), gc_, connection_.Pixel(colour));
    XFillRectangle(connection_.display(), window_, gc_, x, y, static_cast<unsigned>(width),
                   static_cast<unsigned>(height));
}

void TWPen::Frame(int x, int y, int width, int height, screen::Rgb colour) {
    if (width <= 1 || height <= 1) return;
    XSetForeground(connection_.display(), gc_, connection_.Pixel(colour));
    XDrawRectangle(connection_.display(), window_, gc_, x, y, static_cast<unsigned>(width - 1),
                   static_cast<unsigned>(height - 1));
}

void TWPen::Text(int x, int y, const std::string &text, screen::Rgb colour, int underline_index) {
    const XFontStruct *font = connection_.font();
    XSetForeground(connection_.display(), gc_, connection_.Pixel(colour));
    XDrawString(connection_.display(), window_, gc_, x, y + font->ascent, text.data(), static_cast<int>(text.size()));
    if (underline_index < 0 || underline_index >= static_cast<int>(text.size())) return;
    const int left = x + XTextWidth(const_cast<XFontStruct *>(font), text.data(), underline_index);
    const int width = XTextWidth(const_cast<XFontStruct *>(font), text.data() + underline_index, 1);
    XDrawLine(connection_.display(), window_, gc_, left, y + font->ascent + 1, left + width - 1, y + font->ascent + 1);
}

int TWPen::TextWidth(const std::string &text) const {
    return XTextWidth(connection_.font(), text.data(), static_cast<int>(text.size()));
}

int TWPen::LineHeight() const { return connection_.font()->ascent + connection_.font()->descent; }

}  // namespace portkit::x11
