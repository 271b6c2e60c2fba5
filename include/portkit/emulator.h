/*
 * portkit terminal emulation: the emulator record that ties a port to a
 * screen through display operations, incoming commands, keyboard macros,
 * the plain input and keyboard loops, and the ANSI emulator.
 *
 * An application creates an emulator (CreateAnsiEmulator, then a backend's
 * attach call, or a combined creator such as CreateAnsiConsoleEmulator),
 * polls record->process_input and record->process_kbd in its own loop, acts
 * on any result other than -1, and ends with record->destroy.
 */
#ifndef PORTKIT_EMULATOR_H
#define PORTKIT_EMULATOR_H

#include <stdint.h>

#include "portkit/export.h"
#include "portkit/port.h"

PORTKIT_BEGIN_DECLS

/* Handle of a screen or keyboard: a console record, a window, a descriptor. */
typedef void *EmulatorHandle;

/* Key codes: a key with a character is that character (1 to 255); one
 * without is its PC keyboard scan code times 256. */
#define PORTKIT_KEY_NONE (-1)
#define PORTKIT_KEY_UP 0x4800
#define PORTKIT_KEY_DOWN 0x5000
#define PORTKIT_KEY_RIGHT 0x4D00
#define PORTKIT_KEY_LEFT 0x4B00
#define PORTKIT_KEY_F1 0x3B00 /* F2 to F10 follow: 0x3C00 to 0x4400 */
#define PORTKIT_KEY_F11 0x8500
#define PORTKIT_KEY_F12 0x8600
#define PORTKIT_KEY_HOME 0x4700
#define PORTKIT_KEY_END 0x4F00
#define PORTKIT_KEY_PAGE_UP 0x4900
#define PORTKIT_KEY_PAGE_DOWN 0x5100
#define PORTKIT_KEY_INSERT 0x5200
#define PORTKIT_KEY_DELETE 0x5300

/* Colour numbers of set_foreground and set_background. */
enum EmulatorColour {
    EMULATOR_BLACK = 0,
    EMULATOR_RED = 1,
    EMULATOR_GREEN = 2,
    EMULATOR_YELLOW = 3,
    EMULATOR_BLUE = 4,
    EMULATOR_MAGENTA = 5,
    EMULATOR_CYAN = 6,
    EMULATOR_WHITE = 7
};

#pragma pack(push, 1)

typedef struct IncomingCommand {
    struct IncomingCommand *next;
    int32_t value; /* returned when the command's text arrives */
    char *text;    /* the node's own copy */
} IncomingCommand;

typedef struct KeyboardMacro {
    struct KeyboardMacro *next;
    int32_t key;
    char *text; /* the node's own copy; null hands the key to the application */
} KeyboardMacro;

typedef struct EmulatorRecord EmulatorRecord;

/* Byte-packed: applications write local_mode and input_mask directly. */
struct EmulatorRecord {
    PortStructure *port;
    EmulatorHandle display;  /* first argument of every display operation but read_key */
    EmulatorHandle keyboard; /* keyboard source of read_key */
    unsigned char recent_input[16];
    int32_t input_count;
    unsigned char last_char_count[256];
    IncomingCommand *incoming_commands;
    KeyboardMacro *keyboard_macros;
    int32_t local_mode; /* nonzero: input comes from the keyboard, not the port */
    int32_t input_mask; /* ANDed with every character the ANSI emulator receives */
    const char *macro_position;

    int (*process_kbd)(EmulatorRecord *record);
    int (*process_input)(EmulatorRecord *record);
    void (*destroy)(EmulatorRecord *record);

    /* The display operations, in slot order. */
    int (*read_key)(EmulatorRecord *record);
    void (*clear_window)(EmulatorHandle display);
    void (*clear_to_eol)(EmulatorHandle display);
    void (*goto_xy)(EmulatorHandle display, int row, int col);
    void (*put_char)(EmulatorHandle display, int c);
    void (*put_string)(EmulatorHandle display, const char *text);
    void (*set_normal)(EmulatorHandle display);
    void (*set_reverse)(EmulatorHandle display);
    void (*set_bold)(EmulatorHandle display);
    void (*set_blink)(EmulatorHandle display);
    void (*set_underline)(EmulatorHandle display);
    void (*set_invisible)(EmulatorHandle display);
    void (*set_foreground)(EmulatorHandle display, int colour);
    void (*set_background)(EmulatorHandle display, int colour);
    void (*set_wrap)(EmulatorHandle display, int on);
    void (*beep)(EmulatorHandle display);
    int (*current_row)(EmulatorHandle display);
    int (*current_col)(EmulatorHandle display);
    int (*rows)(EmulatorHandle display);
    int (*cols)(EmulatorHandle display);

    int (*define_kbd_macro)(EmulatorRecord *record, int key, const char *text);
    int (*undefine_kbd_macro)(EmulatorRecord *record, int key);
    int (*define_incoming_cmd)(EmulatorRecord *record, const char *text, int value);
    int (*undefine_incoming_cmd)(EmulatorRecord *record, const char *text);
    int32_t reserved;
};

/* ANSI parser states. */
enum AnsiParseState {
    ANSI_TEXT = 0,
    ANSI_ESCAPE = 1,
    ANSI_BRACKET = 2,
    ANSI_FIRST_DIGIT = 3,
    ANSI_IN_NUMBER = 4,
    ANSI_IN_STRING = 5,
    ANSI_DONE_WITH_CHARS = 6
};

#define ANSI_MAX_PARAMS 10
#define ANSI_MAX_STRING 80

/* The record CreateAnsiEmulator returns: the emulator record, then the
 * parser's fields. */
typedef struct AnsiEmulatorRecord {
    EmulatorRecord emulator;
    int32_t private_marker; /* -1, '?' or '=' */
    int32_t params[ANSI_MAX_PARAMS];
    char *string_params[ANSI_MAX_PARAMS];
    int32_t string_length;
    int32_t param_index;
    uint8_t parse_state;
    int32_t saved_row;
    int32_t saved_col;
} AnsiEmulatorRecord;

#pragma pack(pop)

/* Emulator core. */
PORTKIT_API void _InitializeEmulator(EmulatorRecord *record);
/* A text matches within the last 16 characters received: a longer one gives
 * -7; -9 when 255 commands already end with its last character. */
PORTKIT_API int _define_incoming_cmd(EmulatorRecord *record, const char *text, int value);
PORTKIT_API int _undefine_incoming_cmd(EmulatorRecord *record, const char *text);
PORTKIT_API int _define_kbd_macro(EmulatorRecord *record, int key, const char *text);
PORTKIT_API int _undefine_kbd_macro(EmulatorRecord *record, int key);
PORTKIT_API void _destroy_emulator(EmulatorRecord *record);
PORTKIT_API int _DefaultInputScanner(EmulatorRecord *record, int c);
PORTKIT_API int _process_input(EmulatorRecord *record);
PORTKIT_API int _process_kbd(EmulatorRecord *record);
PORTKIT_API void _EmulatorDebugMessage(EmulatorRecord *record, const char *format, ...);

/* ANSI emulator. */
PORTKIT_API EmulatorRecord *CreateAnsiEmulator(PortStructure *port);

/* Options of CreateAnsiEmulatorExtended: the character set of received
 * text. CP437 bytes are shown as they are; UTF-8 is decoded, and a
 * character is shown as its CP437 glyph where code page 437 has one (box
 * drawing, shades, blocks, accented letters), else as '?', as is each
 * malformed sequence. */
#define ANSI_EXTENDED_CP437 0x0u
#define ANSI_EXTENDED_UTF8 0x1u
/* Also an option: a line feed (and VT and FF) returns the cursor to the
 * first column as well, for a device that ends its lines with LF alone; the
 * far end can set and reset this itself (ESC [ 20 h, ESC [ 20 l). */
#define ANSI_EXTENDED_NEW_LINE 0x2u

/* portkit's extension of the ANSI emulator, created in place of
 * CreateAnsiEmulator and attached to a backend the same way (the
 * backend's attach call, then its clear_window). It reads xterm's common
 * sequences: scroll regions, insert and delete of lines and characters,
 * erase in line and of characters, the line-drawing set (ESC ( 0), SGR
 * with modes kept apart from colours and 256-colour and direct colours
 * shown as the nearest of the 16, the alternate screen; it answers the
 * cursor report and device attributes. Its keys send xterm's sequences for
 * the cursor, editing and function keys. The emulator keeps its own copy
 * of the screen and draws what changed at the end of each process_input
 * through the ordinary display operations; it turns the display's wrap off
 * (set_wrap 0), as it wraps lines itself, and does not pass underline on.
 * Blink goes to set_blink with the colours set again after it. Null when
 * out of memory. */
PORTKIT_API EmulatorRecord *CreateAnsiEmulatorExtended(PortStructure *port, unsigned int options);
PORTKIT_API int ansi_process_input(EmulatorRecord *record);

PORTKIT_END_DECLS

#endif
