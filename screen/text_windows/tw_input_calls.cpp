// The exported input calls of the text windows: keys, the echoed line, the
// line dialog and the pop-up menu.
#include "portkit/textwin.h"
#include "screen/text_windows/tw_instance.h"
#include "screen/text_windows/tw_keys.h"
#include "screen/text_windows/tw_platform.h"
#include "screen/text_windows/tw_surface.h"

using namespace portkit::screen;

namespace {

constexpr int kEscape = 27;

void BeepAt(TW_WINDOW &w) {
    if (TWSurface *surface = TWSurfaceOf(w)) surface->Beep();
}

// The user closed the window (its record stays): keys it queued before are
// still read, then nothing more can come.
bool TWWindowGone(const TW_WINDOW &w) { return w.window == nullptr; }

// Keys without a character (their codes are above 255) have nothing to
// store in a line.
bool HasCharacter(int key) { return key >= 0 && key <= 0xFF; }

}  // namespace

extern "C" {

PORTKIT_API int TWGetkey(TW_WINDOW *w) {
    if (w == nullptr) return -1;
    while (!TWHasKey(*w) && !TWFrameClosed(*w) && !TWWindowGone(*w)) {
        TWYield();
        TWPlatform *platform = InstalledTWPlatform();
        if (platform != nullptr && !TWHasKey(*w)) platform->AwaitEvents();
    }
    return TWFrameClosed(*w) || !TWHasKey(*w) ? -1 : TakeTWKey(*w);
}

PORTKIT_API int TWKbhit(TW_WINDOW *w) {
    if (w == nullptr || TWFrameClosed(*w) || TWWindowGone(*w)) return 1;
    const bool queued = TWHasKey(*w);
    TWYield();
    return queued ? 1 : 0;
}

PORTKIT_API char *TWGets(TW_WINDOW *w, char *buffer, int size) {
    if (w == nullptr || buffer == nullptr || size < 2) return nullptr;
    int length = 0;
    for (;;) {
        if (TWFrameClosed(*w)) return nullptr;
        const int key = TWGetkey(w);
        if (key < 0) return nullptr;
        if (key == '\r' || key == '\n') {
            TWPutc(w, '\r');
            buffer[length] = '\0';
            return buffer;
        }
        if (key == '\b') {
            if (length == 0) continue;
            --length;
            TWPutc(w, '\b');
            if (w->cursor_col != 0) {
                TWPutc(w, ' ');
                TWPutc(w, '\b');
            }
        } else if (key == kEscape) {
            buffer[0] = '\0';
            return buffer;
        } else if (!HasCharacter(key)) {
            continue;
        } else if (length >= size - 1) {
            BeepAt(*w);
        } else {
            buffer[length++] = static_cast<char>(key & 0xFF);
            TWPutc(w, key);
        }
    }
}

PORTKIT_API int TWGetLine(const char *caption, const char *prompt, char *buffer, int size) {
    TWPlatform *platform = InstalledTWPlatform();
    if (buffer == nullptr || size < 1) return 0;
    buffer[0] = '\0';
    // `size` counts the terminator, as in TWGets: the field takes one less.
    if (platform != nullptr && platform->RunLineDialog(caption, prompt, buffer, size - 1)) return 1;
    if (platform != nullptr)
        platform->ShowMessage("Fatal Error", "Could not allocate\nDialog box buffer for TWGetLine");
    buffer[0] = '\0';
    return 0;
}

PORTKIT_API int TWMenu(TW_WINDOW *w, int row, int col, const char **items) {
    if (w == nullptr) return -1;
    w->menu_choice = -1;
    TWPlatform *platform = InstalledTWPlatform();
    if (w->window == nullptr || platform == nullptr || items == nullptr) return -1;
    int count = 0;
    while (items[count] != nullptr && items[count][0] != '\0') ++count;
    platform->RunMenu(*w, row, col, items, count);
    TWYield();
    return w->menu_choice;
}

}  // extern "C"
