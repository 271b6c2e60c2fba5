// The console backend: an emulator's display operations on a character
// console, and its keyboard from the console's input queue.
#include <cstdlib>
#include <cstring>

#include "platform/console_api.h"
#include "portkit/screen.h"
#include "screen/console/console_attributes.h"
#include "screen/console/console_keys.h"

using namespace portkit::screen;

namespace {

ConsoleDisplay *Display(EmulatorHandle display) { return static_cast<ConsoleDisplay *>(display); }
HANDLE Output(EmulatorHandle display) { return static_cast<HANDLE>(Display(display)->output); }

void ApplyAttribute(EmulatorHandle display, std::uint16_t attribute) {
    ConsoleDisplay *console = Display(display);
    console->attribute = attribute;
    SetConsoleTextAttribute(Output(display), attribute);
}

bool ScreenInfo(EmulatorHandle display, CONSOLE_SCREEN_BUFFER_INFO *info) {
    return GetConsoleScreenBufferInfo(Output(display), info) != 0;
}

// Fills `length` cells from `start` with spaces in the current attribute.
void FillWithBlanks(EmulatorHandle display, DWORD length, COORD start) {
    DWORD written = 0;
    FillConsoleOutputCharacterA(Output(display), ' ', length, start, &written);
    FillConsoleOutputAttribute(Output(display), Display(display)->attribute, length, start, &written);
}

void WriteBytes(EmulatorHandle display, const char *bytes, DWORD length) {
    DWORD written = 0;
    WriteConsoleA(Output(display), bytes, length, &written, nullptr);
}

void my_destroy(EmulatorRecord *record) {
    ConsoleDisplay *console = Display(record->display);
    void (*previous)(EmulatorRecord *) = console != nullptr ? console->previous_destroy : _destroy_emulator;
    std::free(console);
    record->display = nullptr;
    if (previous != nullptr) previous(record);
}

}  // namespace

extern "C" {

PORTKIT_API void AttachConsoleToEmulator(EmulatorRecord *record, EmulatorHandle input, EmulatorHandle output) {
    if (record == nullptr) return;
    DWORD mode = 0;
    // With processed input off, Ctrl+C arrives as a key instead of acting.
    if (GetConsoleMode(static_cast<HANDLE>(input), &mode)) {
        SetConsoleMode(static_cast<HANDLE>(input), mode & ~static_cast<DWORD>(ENABLE_PROCESSED_INPUT));
    }
    auto *console = static_cast<ConsoleDisplay *>(std::calloc(1, sizeof(ConsoleDisplay)));
    // Without its display record the emulator cannot draw: it stays detached
    // and its loops return at once.
    if (console == nullptr) return;
    record->display = console;
    console->output = output;
    console->consume_events = 1;
    console->repeat_count = 0;
    ApplyAttribute(console, CONSOLE_ATTRIBUTE_NORMAL);
    record->keyboard = input;
    console->previous_destroy = record->destroy;
    record->destroy = my_destroy;

    record->read_key = _win32_read_raw_key;
    record->clear_window = _win32_clear_window;
    record->clear_to_eol = _win32_clear_to_eol;
    record->goto_xy = _win32_goto;
    record->put_char = _win32_putc;
    record->put_string = _win32_puts;
    record->set_normal = _win32_set_normal;
    record->set_reverse = _win32_set_reverse;
    record->set_bold = _win32_set_bold;
    record->set_blink = _win32_set_blink;
    record->set_underline = _win32_set_underline;
    record->set_invisible = _win32_set_invisible;
    record->set_foreground = _win32_set_foreground;
    record->set_background = _win32_set_background;
    record->set_wrap = _win32_set_wrap;
    record->beep = _win32_beep;
    record->current_row = _win32_row;
    record->current_col = _win32_col;
    record->rows = _win32_rows;
    record->cols = _win32_cols;
}

PORTKIT_API EmulatorRecord *CreateAnsiConsoleEmulator(PortStructure *port, EmulatorHandle input,
                                                      EmulatorHandle output) {
    EmulatorRecord *record = CreateAnsiEmulator(port);
    if (record == nullptr) return nullptr;
    AttachConsoleToEmulator(record, input, output);
    if (record->display == nullptr) {
        record->destroy(record);
        return nullptr;
    }
    record->clear_window(record->display);
    return record;
}

PORTKIT_API void ConsumeAllConsoleInput(EmulatorRecord *record, int flag) {
    if (record == nullptr || record->display == nullptr) return;
    Display(record->display)->consume_events = flag;
}

PORTKIT_API int _win32_read_raw_key(EmulatorRecord *record) {
    ConsoleDisplay *console = Display(record->display);
    HANDLE input = static_cast<HANDLE>(record->keyboard);
    for (;;) {
        if (console->repeat_count > 0) {
            --console->repeat_count;
            return console->last_key;
        }
        INPUT_RECORD event;
        DWORD count = 0;
        if (!PeekConsoleInputA(input, &event, 1, &count) || count == 0) return -1;
        if (console->consume_events == 0 && event.EventType != KEY_EVENT) return -1;
        if (!ReadConsoleInputA(input, &event, 1, &count) || count == 0) return -1;
        if (event.EventType != KEY_EVENT || !event.Event.KeyEvent.bKeyDown) continue;
        const KEY_EVENT_RECORD &key = event.Event.KeyEvent;
        console->last_key = TranslateConsoleKey(key.wVirtualKeyCode, static_cast<unsigned char>(key.uChar.AsciiChar),
                                                key.dwControlKeyState);
        console->repeat_count = key.wRepeatCount;
    }
}

PORTKIT_API void _win32_clear_window(EmulatorHandle display) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!ScreenInfo(display, &info)) return;
    // The bottom-right cell is cleared too: leaving it stale shows as a
    // stray character after every clear.
    const auto cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    FillWithBlanks(display, cells, COORD{0, 0});
}

PORTKIT_API void _win32_clear_to_eol(EmulatorHandle display) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!ScreenInfo(display, &info)) return;
    FillWithBlanks(display, static_cast<DWORD>(info.dwSize.X - info.dwCursorPosition.X), info.dwCursorPosition);
}

PORTKIT_API void _win32_goto(EmulatorHandle display, int row, int col) {
    // A position outside the buffer is refused by the console.
    SetConsoleCursorPosition(Output(display), COORD{static_cast<SHORT>(col), static_cast<SHORT>(row)});
}

PORTKIT_API void _win32_putc(EmulatorHandle display, int c) {
    const char byte = static_cast<char>(c);
    WriteBytes(display, &byte, 1);
}

PORTKIT_API void _win32_puts(EmulatorHandle display, const char *text) {
    if (text == nullptr) return;
    WriteBytes(display, text, static_cast<DWORD>(std::strlen(text)));
}

PORTKIT_API void _win32_set_normal(EmulatorHandle display) { ApplyAttribute(display, CONSOLE_ATTRIBUTE_NORMAL); }
PORTKIT_API void _win32_set_reverse(EmulatorHandle display) { ApplyAttribute(display, CONSOLE_ATTRIBUTE_REVERSE); }
PORTKIT_API void _win32_set_invisible(EmulatorHandle display) { ApplyAttribute(display, CONSOLE_ATTRIBUTE_INVISIBLE); }
PORTKIT_API void _win32_set_blink(EmulatorHandle display) { ApplyAttribute(display, CONSOLE_ATTRIBUTE_BLINK); }
PORTKIT_API void _win32_set_underline(EmulatorHandle display) { ApplyAttribute(display, CONSOLE_ATTRIBUTE_UNDERLINE); }
PORTKIT_API void _win32_set_bold(EmulatorHandle display) {
    ApplyAttribute(display, WithBold(Display(display)->attribute));
}
PORTKIT_API void _win32_set_foreground(EmulatorHandle display, int colour) {
    ApplyAttribute(display, WithForeground(Display(display)->attribute, colour));
}
PORTKIT_API void _win32_set_background(EmulatorHandle display, int colour) {
    ApplyAttribute(display, WithBackground(Display(display)->attribute, colour));
}

PORTKIT_API void _win32_set_wrap(EmulatorHandle display, int on) {
    DWORD mode = 0;
    if (!GetConsoleMode(Output(display), &mode)) return;
    mode = on != 0 ? (mode | ENABLE_WRAP_AT_EOL_OUTPUT) : (mode & ~static_cast<DWORD>(ENABLE_WRAP_AT_EOL_OUTPUT));
    SetConsoleMode(Output(display), mode);
}

PORTKIT_API void _win32_beep(EmulatorHandle display) { WriteBytes(display, "\a", 1); }

PORTKIT_API int _win32_row(EmulatorHandle display) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    return ScreenInfo(display, &info) ? info.dwCursorPosition.Y : 0;
}

PORTKIT_API int _win32_col(EmulatorHandle display) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    return ScreenInfo(display, &info) ? info.dwCursorPosition.X : 0;
}

PORTKIT_API int _win32_rows(EmulatorHandle display) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    return ScreenInfo(display, &info) ? info.dwSize.Y : 0;
}

PORTKIT_API int _win32_cols(EmulatorHandle display) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    return ScreenInfo(display, &info) ? info.dwSize.X : 0;
}

}  // extern "C"
