/*
 * portkit text windows ("TW"): a frame window with a menu bar holding any
 * number of character-cell text windows, each a 25 x 132 screen with 75 rows
 * of scroll-back above it, a cursor, two attributes (0: black on white, 1:
 * white on black) and a 128-slot key queue. Output calls write the cell
 * buffer and repaint; input calls run the window system until a key comes.
 *
 * Windows: the frame is an MDI frame; TWInitialize takes the program's
 * HINSTANCE (null: the program's own). Linux: libportkit-x11 (link with
 * -lportkit-x11); TWInitialize takes an Xlib Display * (null opens
 * $DISPLAY), and the frame and its text windows are X windows drawn by the
 * library.
 */
#ifndef PORTKIT_TEXTWIN_H
#define PORTKIT_TEXTWIN_H

#include "portkit/export.h"

PORTKIT_BEGIN_DECLS

#define TW_ROWS 25
#define TW_COLS 132
#define TW_SCROLLBACK_ROWS 75
#define TW_BUFFER_ROWS (TW_SCROLLBACK_ROWS + TW_ROWS)
#define TW_KEY_SLOTS 128

/* Frame menu commands; the Window menu lists the text windows from
 * TW_FIRST_CHILD_ID, and TWMenu items are TW_MENU_FIRST_ID + index. */
#define TW_ID_EXIT 101
#define TW_ID_CASCADE 201
#define TW_ID_TILE 202
#define TW_FIRST_CHILD_ID 1000
#define TW_MENU_FIRST_ID 100

typedef struct TWInstanceData TWInstanceData;

/* One text window. Screen row r is buffer row r + TW_SCROLLBACK_ROWS. */
typedef struct TW_WINDOW {
    void *window; /* the platform's window; 0 before it exists and after it is gone */
    const char *title;
    int rows, cols;
    int cursor_row, cursor_col;
    int char_width, char_height;
    int visible_rows, visible_cols;
    int client_width, client_height;
    int first_col, first_row;
    int row_offset; /* 0, or minus the hidden pixels of a partly shown top row */
    int caret_shown;
    int has_focus;
    int scroll_bars;
    int attribute;
    int key_in, key_out;
    int keys[TW_KEY_SLOTS];
    char text[TW_BUFFER_ROWS][TW_COLS];
    char attrs[TW_BUFFER_ROWS][TW_COLS];
    void *font;
    void *previous_font;
    int menu_choice;
    TWInstanceData *instance;
} TW_WINDOW;

/* The per-application state TWInitialize makes. */
struct TWInstanceData {
    void *instance;
    void *frame_instance;
    int show_command;
    void *mdi_client;
    int quit; /* the frame was closed */
    void *menu_bar, *file_menu, *window_menu;
    void *frame;
    void *owner;
};

/* 1 on success. `instance` is the platform's application handle (see
 * above); the frame is made and shown. */
PORTKIT_API int TWInitialize(void *instance, void *previous_instance, int show_command, const char *title);
/* A text window at (row, col) in system-font cells, showing width x height
 * cells of its font; null on failure. */
PORTKIT_API TW_WINDOW *TWDefineWindow(int row, int col, int width, int height, int scroll_bars, const char *title,
                                      const char *font_face, int font_height);
/* Releases the record; its window, if still open, must be closed first. */
PORTKIT_API void TWFreeWindow(TW_WINDOW *w);
PORTKIT_API void TWFreeInstanceData(void);
PORTKIT_API TWInstanceData *GetTWInstanceDataPtr(void);
/* Destroys the frame's menus; the record stays. */
PORTKIT_API void ClearTWInstanceDataPtr(void);
/* Handles every waiting window-system event, then returns. */
PORTKIT_API void TWYield(void);

PORTKIT_API void TWSetAttribute(TW_WINDOW *w, int attribute);
PORTKIT_API void TWGoto(TW_WINDOW *w, int row, int col);
PORTKIT_API void TWPutc(TW_WINDOW *w, int c);
PORTKIT_API void TWPuts(TW_WINDOW *w, const char *text);
/* Writes at most 131 characters of the formatted text. */
PORTKIT_API void TWPrintf(TW_WINDOW *w, const char *format, ...);
PORTKIT_API void TWPokec(TW_WINDOW *w, int row, int col, int c);
PORTKIT_API void TWPokes(TW_WINDOW *w, int row, int col, const char *text);
PORTKIT_API void TWPokef(TW_WINDOW *w, int row, int col, const char *format, ...);
PORTKIT_API void TWClearToEndOfLine(TW_WINDOW *w, int row, int col);
PORTKIT_API void TWClearToEndOfWindow(TW_WINDOW *w, int row, int col);
PORTKIT_API void TWClearWindow(TW_WINDOW *w);
PORTKIT_API void TWDeleteChar(TW_WINDOW *w, int row, int col);
PORTKIT_API void TWInsertChar(TW_WINDOW *w, int row, int col, int c);
PORTKIT_API void TWScrollUp(TW_WINDOW *w, int n);
PORTKIT_API void TWScrollDown(TW_WINDOW *w, int n);

/* The next key, waiting for it; -1 once the frame was closed, or once the
 * window was closed and its queued keys read. */
PORTKIT_API int TWGetkey(TW_WINDOW *w);
/* 1 when a key is queued or the frame or the window was closed. */
PORTKIT_API int TWKbhit(TW_WINDOW *w);
/* An echoed line of at most size - 1 characters; ESC gives an empty one.
 * Null for a size below 2 or once the frame or the window was closed. */
PORTKIT_API char *TWGets(TW_WINDOW *w, char *buffer, int size);
/* A dialog asking for a line into `buffer` of `size` bytes (at most
 * size - 1 characters and the terminator); Cancel leaves it empty. 1 when
 * the dialog ran. */
PORTKIT_API int TWGetLine(const char *caption, const char *prompt, char *buffer, int size);
/* A pop-up menu of the strings of `items` (ended by a null or an empty
 * string) at the screen cell (row, col): the chosen index, -1 for none. */
PORTKIT_API int TWMenu(TW_WINDOW *w, int row, int col, const char **items);

PORTKIT_END_DECLS

#endif
