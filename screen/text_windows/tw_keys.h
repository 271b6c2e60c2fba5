// A text window's key queue and what the platform's key events put in it.
#ifndef PORTKIT_SCREEN_TEXT_WINDOWS_TW_KEYS_H
#define PORTKIT_SCREEN_TEXT_WINDOWS_TW_KEYS_H

#include <cstdint>

#include "portkit/textwin.h"

namespace portkit::screen {

// Queues a code; when the queue is full (127 keys) the window beeps, the
// code is dropped and false returned.
bool QueueTWKey(TW_WINDOW &w, int code);
bool TWHasKey(const TW_WINDOW &w);
int TakeTWKey(TW_WINDOW &w);  // -1 when empty

// A character from the keyboard; the codes 16 to 20 are dropped.
void QueueTWCharacter(TW_WINDOW &w, int code);
// A key-down of Windows virtual key `virtual_key` with the console's
// control-key state bits (console_keys.h). With Scroll Lock on the
// navigation keys scroll the view instead; keys without a character are
// queued through the console's key table, others give nothing here.
void TWKeyDown(TW_WINDOW &w, unsigned virtual_key, std::uint32_t control_state, bool scroll_lock);

// A command of the window's own pop-up menu.
void HandleTWWindowCommand(TW_WINDOW &w, int id);
// A frame menu command that is not Exit, Cascade, Tile or a window of the
// list: queued as a key into the focused window.
void QueueTWFrameCommand(int id);

}  // namespace portkit::screen

#endif
