/*
 * The text windows in use: a frame with two text windows, output, scrolling,
 * a line dialog, a pop-up menu and keys echoed. Every key and answer is
 * reported on stdout, one line each, so a script can drive the program.
 *
 * Keys in the first window: g asks a line with TWGetLine, m offers a
 * TWMenu, s reads a line with TWGets, p opens a window in a proportional
 * font (which warns), q quits; any other key is echoed.
 */
#include <stddef.h>
#include <stdio.h>

#include "portkit/textwin.h"

static void report(const char *what, const char *value) {
    printf("%s: %s\n", what, value);
    fflush(stdout);
}

static void fill_windows(TW_WINDOW *first, TW_WINDOW *second) {
    int line;
    TWPuts(first, "portkit text windows\n");
    TWSetAttribute(first, 1);
    TWPuts(first, "Reverse text");
    TWSetAttribute(first, 0);
    TWPuts(first, "\ng: line dialog  m: menu  s: read a line  q: quit\n");
    for (line = 1; line <= 30; ++line) TWPrintf(second, "Line %d of the second window\n", line);
    TWScrollDown(second, 2);
    TWPokes(second, 0, 0, "Scrolled back two rows");
}

static void ask_line(void) {
    char line[41];
    TWGetLine("Line", "Type a line:", line, (int)sizeof line);
    report("line", line);
}

static void offer_menu(TW_WINDOW *w) {
    const char *items[] = {"Apples", "Bananas", "Cherries", NULL};
    char choice[16];
    sprintf(choice, "%d", TWMenu(w, 5, 10, items));
    report("menu", choice);
}

static void read_line(TW_WINDOW *w) {
    char line[21];
    const char *got = TWGets(w, line, (int)sizeof line);
    report("gets", got != NULL ? got : "(closed)");
    TWPutc(w, '\n');
}

static TW_WINDOW *open_proportional(void) {
    TW_WINDOW *w = TWDefineWindow(30, 80, 30, 5, 0, "Proportional", "Arial", 13);
    if (w != NULL) TWPuts(w, "A window in Arial");
    report("proportional", w != NULL ? "made" : "failed");
    return w;
}

int main(void) {
    TW_WINDOW *first, *second, *third = NULL;
    int key;
    char number[16];
    if (!TWInitialize(NULL, NULL, 1, "portkit text windows")) {
        fprintf(stderr, "textwin_demo: the frame could not be opened\n");
        return 1;
    }
    first = TWDefineWindow(1, 1, 60, 12, 0, "First", "Courier", 13);
    second = TWDefineWindow(18, 40, 50, 10, 1, "Second", "Courier", 13);
    if (first == NULL || second == NULL) {
        fprintf(stderr, "textwin_demo: the text windows could not be made\n");
        return 1;
    }
    fill_windows(first, second);
    TWGoto(first, 4, 0);
    /* The windows' platform handles, for a script to find them by. */
    printf("windows: %lu %lu\n", (unsigned long)(size_t)first->window, (unsigned long)(size_t)second->window);
    report("ready", "yes");
    while ((key = TWGetkey(first)) != -1) {
        if (key == 'q') break;
        if (key == 'g') {
            ask_line();
        } else if (key == 'm') {
            offer_menu(first);
        } else if (key == 's') {
            read_line(first);
        } else if (key == 'p' && third == NULL) {
            third = open_proportional();
        } else {
            sprintf(number, "%d", key);
            report("key", number);
            if (key < 256) TWPutc(first, key);
        }
    }
    if (key != -1) {
        report("closed", "quit");
    } else {
        const TWInstanceData *instance = GetTWInstanceDataPtr();
        report("closed", instance != NULL && instance->quit ? "frame" : "window");
    }
    TWFreeWindow(first);
    TWFreeWindow(second);
    TWFreeWindow(third);
    TWFreeInstanceData();
    return 0;
}
