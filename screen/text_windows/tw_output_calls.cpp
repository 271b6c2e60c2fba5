// The exported output calls of the text windows: each changes the buffer,
// asks for the repaint, and lets the window system run (TWYield).
#include <cstdarg>
#include <cstdio>

#include "emulation/formatted_text.h"
#include "portkit/textwin.h"
#include "screen/text_windows/tw_view.h"
#include "screen/text_windows/tw_window.h"

using namespace portkit::screen;

namespace {

template <typename Change>
void Output(TW_WINDOW *w, Change change) {
    if (w == nullptr) return;
    change(*w);
    TWYield();
}

// The calls that change the whole screen or buffer let the window system
// run only while the window exists.
template <typename Change>
void WholeWindowOutput(TW_WINDOW *w, Change change) {
    if (w == nullptr) return;
    change(*w);
    if (w->window != nullptr) TWYield();
}

}  // namespace

extern "C" {

PORTKIT_API void TWSetAttribute(TW_WINDOW *w, int attribute) {
    if (w != nullptr) w->attribute = attribute;
}

PORTKIT_API void TWGoto(TW_WINDOW *w, int row, int col) {
    Output(w, [&](TW_WINDOW &window) {
        TWMoveCursor(window, row, col);
        if (TWSurface *surface = TWSurfaceOf(window)) surface->TakeFocus();
        UpdateTWCaret(window);
    });
}

PORTKIT_API void TWPutc(TW_WINDOW *w, int c) {
    Output(w, [&](TW_WINDOW &window) { TWWriteChar(window, c); });
}

PORTKIT_API void TWPuts(TW_WINDOW *w, const char *text) {
    Output(w, [&](TW_WINDOW &window) { TWWriteString(window, text); });
}

PORTKIT_API void TWPrintf(TW_WINDOW *w, const char *format, ...) {
    if (format == nullptr) return;
    char buffer[portkit::emulation::kFormattedTextSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    TWPuts(w, buffer);
}

PORTKIT_API void TWPokec(TW_WINDOW *w, int row, int col, int c) {
    Output(w, [&](TW_WINDOW &window) { TWStoreChar(window, row, col, c); });
}

PORTKIT_API void TWPokes(TW_WINDOW *w, int row, int col, const char *text) {
    Output(w, [&](TW_WINDOW &window) { TWStoreString(window, row, col, text); });
}

PORTKIT_API void TWPokef(TW_WINDOW *w, int row, int col, const char *format, ...) {
    if (format == nullptr) return;
    char buffer[portkit::emulation::kFormattedTextSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    TWPokes(w, row, col, buffer);
}

PORTKIT_API void TWClearToEndOfLine(TW_WINDOW *w, int row, int col) {
    Output(w, [&](TW_WINDOW &window) { TWBlankToEndOfLine(window, row, col); });
}

PORTKIT_API void TWClearToEndOfWindow(TW_WINDOW *w, int row, int col) {
    Output(w, [&](TW_WINDOW &window) { TWBlankToEndOfWindow(window, row, col); });
}

PORTKIT_API void TWClearWindow(TW_WINDOW *w) {
    WholeWindowOutput(w, [](TW_WINDOW &window) { TWBlankScreen(window); });
}

PORTKIT_API void TWDeleteChar(TW_WINDOW *w, int row, int col) {
    Output(w, [&](TW_WINDOW &window) { TWShiftLeft(window, row, col); });
}

PORTKIT_API void TWInsertChar(TW_WINDOW *w, int row, int col, int c) {
    Output(w, [&](TW_WINDOW &window) { TWShiftRight(window, row, col, c); });
}

PORTKIT_API void TWScrollUp(TW_WINDOW *w, int n) {
    WholeWindowOutput(w, [&](TW_WINDOW &window) { TWScrollBufferUp(window, n); });
}

PORTKIT_API void TWScrollDown(TW_WINDOW *w, int n) {
    WholeWindowOutput(w, [&](TW_WINDOW &window) { TWScrollBufferDown(window, n); });
}

}  // extern "C"
