// The text windows' per-application record (one table slot per owner) and
// the process-wide settings TWInitialize keeps.
#ifndef PORTKIT_SCREEN_TEXT_WINDOWS_TW_INSTANCE_H
#define PORTKIT_SCREEN_TEXT_WINDOWS_TW_INSTANCE_H

#include "portkit/textwin.h"

namespace portkit::screen {

constexpr int kTWInstanceSlots = 255;

// Sizes the platform reads when TWInitialize runs, in pixels.
struct TWSystemMetrics {
    int frame_width, caption_height, menu_height;
    int screen_width, screen_height;
    int vertical_scroll_width, horizontal_scroll_height;
};

struct TWSettings {
    void *instance;
    int show_command;
    TW_WINDOW *focused;                         // null when no text window has the focus
    int system_char_width, system_char_height;  // the system fixed font's cell
    TWSystemMetrics metrics;
};

TWSettings &TheTWSettings();

// The owner every record is looked up by: the value Windows' GetCurrentThread
// gives, the same on every thread, so there is one record per process.
void *TWCurrentOwner();

// Finds or makes the caller's record (zero-filled, owner set) and resets the
// settings; on failure tells the user and returns null.
TWInstanceData *StartTWInstance(void *instance, int show_command);

// True when the window's frame was closed (or never opened).
bool TWFrameClosed(const TW_WINDOW &w);

}  // namespace portkit::screen

#endif
