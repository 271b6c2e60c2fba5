// The terminal windows of the process: the instance table (one slot per
// InitDSTerm), the window table the blink timer walks, and the lookup from
// a window handle to its model that the exported calls use.
#ifndef PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_REGISTRY_H
#define PORTKIT_SCREEN_TERMINAL_WINDOW_DSTERM_REGISTRY_H

#include "screen/terminal_window/dsterm_model.h"

namespace portkit::screen {

constexpr int kDSTermInstanceSlots = 20;
constexpr int kDSTermWindowSlots = 50;

struct DSTermInstance {
    void *handle;  // null: the slot is free
    int open_windows;
    void *platform;  // the platform's fonts and timer, owned by the platform
};

// The slot now holding `handle`, or -1 when all are taken. A slot is never
// given back.
int ClaimDSTermInstance(void *handle);
int FindDSTermInstance(void *handle);  // -1 when none holds it
DSTermInstance *DSTermInstanceAt(int slot);

// A window that has just got its grid. It blinks only if one of the window
// table's slots was free. On the instance's first window the instance's
// blink timer is started through that window's surface (the timer belongs
// to the instance, not to the window); returns true then.
bool OpenDSTermWindow(DSTermModel *model, int instance);
// Returns true when it was the instance's last window (the timer is stopped
// and the platform releases the fonts).
bool CloseDSTermWindow(DSTermModel *model);

// One tick of an instance's blink timer.
void DSTermBlinkTick(int instance);

// The open window of that handle, or null.
DSTermModel *DSTermModelOf(void *window);

}  // namespace portkit::screen

#endif
