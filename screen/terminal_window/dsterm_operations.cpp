// The terminal window's exported calls apart from creating it: the display
// operations, the key queue, and attaching the window to an emulator.
#include <cstdarg>
#include <cstdio>

#include "emulation/formatted_text.h"
#include "portkit/dsterm.h"
#include "screen/terminal_window/dsterm_registry.h"

using namespace portkit::screen;

namespace {

// Calls `action` on the window's model; a handle that is no open terminal
// window is passed over.
template <typename Action>
void WithModel(EmulatorHandle window, Action action) {
    if (DSTermModel *model = DSTermModelOf(window)) action(*model);
}

template <typename Value>
int ModelValue(EmulatorHandle window, Value value) {
    const DSTermModel *model = DSTermModelOf(window);
    return model != nullptr ? value(*model) : 0;
}

void ChangeAttribute(EmulatorHandle window, std::uint8_t (*change)(std::uint8_t attribute, int argument),
                     int argument) {
    WithModel(window, [&](DSTermModel &model) { model.SetAttribute(change(model.record().attribute, argument)); });
}

std::uint8_t Replace(std::uint8_t, int attribute) { return static_cast<std::uint8_t>(attribute); }
std::uint8_t AddBits(std::uint8_t attribute, int bits) { return static_cast<std::uint8_t>(attribute | bits); }

}  // namespace

extern "C" {

PORTKIT_API void AttachDSTermToEmulator(EmulatorRecord *record, EmulatorHandle window) {
    if (record == nullptr) return;
    record->display = window;
    record->keyboard = window;
    record->read_key = _DSTermGetKey;
    record->clear_window = _DSTermClearWindow;
    record->clear_to_eol = _DSTermClearToEol;
    record->goto_xy = _DSTermGoto;
    record->put_char = _DSTermPutc;
    record->put_string = _DSTermPuts;
    record->set_normal = _DSTermSetNormal;
    record->set_reverse = _DSTermSetReverse;
    record->set_bold = _DSTermSetBold;
    record->set_blink = _DSTermSetBlink;
    record->set_underline = _DSTermSetUnderline;
    record->set_invisible = _DSTermSetInvisible;
    record->set_foreground = _DSTermSetForeground;
    record->set_background = _DSTermSetBackground;
    record->set_wrap = _DSTermSetWrap;
    record->beep = _DSTermBeep;
    record->current_row = _DSTermCurrentRow;
    record->current_col = _DSTermCurrentCol;
    record->rows = _DSTermRows;
    record->cols = _DSTermCols;
}

PORTKIT_API EmulatorRecord *CreateAnsiDSTermEmulator(PortStructure *port, EmulatorHandle window) {
    EmulatorRecord *record = CreateAnsiEmulator(port);
    if (record == nullptr) return nullptr;
    AttachDSTermToEmulator(record, window);
    _DSTermClearWindow(window);
    return record;
}

PORTKIT_API int DSTermKbhit(EmulatorHandle window) {
    return ModelValue(window, [](const DSTermModel &model) { return model.HasKey() ? 1 : 0; });
}

PORTKIT_API int DSTermGetKey(EmulatorHandle window) {
    DSTermModel *model = DSTermModelOf(window);
    return model != nullptr ? model->TakeKey() : DSTERM_WINDOW_CLOSED;
}

PORTKIT_API void DSTermPrintf(EmulatorHandle window, const char *format, ...) {
    if (format == nullptr) return;
    char buffer[portkit::emulation::kFormattedTextSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    _DSTermPuts(window, buffer);
}

// The emulator's keyboard loop knows only -1 for "no key": a closed window
// has none.
PORTKIT_API int _DSTermGetKey(EmulatorRecord *record) {
    const int key = DSTermGetKey(record->keyboard);
    return key == DSTERM_WINDOW_CLOSED ? -1 : key;
}

PORTKIT_API void _DSTermClearWindow(EmulatorHandle window) {
    WithModel(window, [](DSTermModel &model) { model.ClearWindow(); });
}

PORTKIT_API void _DSTermClearToEol(EmulatorHandle window) {
    WithModel(window, [](DSTermModel &model) { model.ClearToEol(); });
}

PORTKIT_API void _DSTermGoto(EmulatorHandle window, int row, int col) {
    WithModel(window, [&](DSTermModel &model) { model.Goto(row, col); });
}

PORTKIT_API void _DSTermPutc(EmulatorHandle window, int c) {
    WithModel(window, [&](DSTermModel &model) { model.Putc(c); });
}

PORTKIT_API void _DSTermPuts(EmulatorHandle window, const char *text) {
    WithModel(window, [&](DSTermModel &model) { model.Puts(text); });
}

PORTKIT_API void _DSTermSetNormal(EmulatorHandle window) { ChangeAttribute(window, Replace, kDSTermNormal); }
PORTKIT_API void _DSTermSetReverse(EmulatorHandle window) { ChangeAttribute(window, Replace, kDSTermReverse); }
PORTKIT_API void _DSTermSetInvisible(EmulatorHandle window) { ChangeAttribute(window, Replace, kDSTermInvisible); }
PORTKIT_API void _DSTermSetBold(EmulatorHandle window) { ChangeAttribute(window, AddBits, kDSTermBright); }
PORTKIT_API void _DSTermSetBlink(EmulatorHandle window) { ChangeAttribute(window, AddBits, kDSTermBlink); }
// The attribute byte has no underline bit: underlined text blinks.
PORTKIT_API void _DSTermSetUnderline(EmulatorHandle window) { ChangeAttribute(window, AddBits, kDSTermBlink); }
PORTKIT_API void _DSTermSetForeground(EmulatorHandle window, int colour) {
    ChangeAttribute(window, WithDSTermForeground, colour);
}
PORTKIT_API void _DSTermSetBackground(EmulatorHandle window, int colour) {
    ChangeAttribute(window, WithDSTermBackground, colour);
}

PORTKIT_API void _DSTermSetWrap(EmulatorHandle window, int on) {
    WithModel(window, [&](DSTermModel &model) { model.SetWrap(on); });
}

PORTKIT_API void _DSTermBeep(EmulatorHandle window) {
    WithModel(window, [](DSTermModel &model) { model.Beep(); });
}

PORTKIT_API int _DSTermCurrentRow(EmulatorHandle window) {
    return ModelValue(window, [](const DSTermModel &model) { return model.record().cursor_row; });
}
PORTKIT_API int _DSTermCurrentCol(EmulatorHandle window) {
    return ModelValue(window, [](const DSTermModel &model) { return model.record().cursor_col; });
}
PORTKIT_API int _DSTermRows(EmulatorHandle window) {
    return ModelValue(window, [](const DSTermModel &model) { return model.rows(); });
}
PORTKIT_API int _DSTermCols(EmulatorHandle window) {
    return ModelValue(window, [](const DSTermModel &model) { return model.cols(); });
}

}  // extern "C"
