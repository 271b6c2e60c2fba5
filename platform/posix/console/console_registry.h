// The console state of each file descriptor used as a console handle: the
// screen model of one drawn on, the key queue of one read from. A process
// normally has one terminal, so a few slots are enough.
#ifndef PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_REGISTRY_H
#define PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_REGISTRY_H

#include <deque>
#include <memory>
#include <string>

#include "platform/posix/console/console_key_decoder.h"
#include "platform/posix/console/console_screen_model.h"
#include "platform/posix/console/win32_console.h"

namespace portkit::posix {

struct ConsoleInput {
    KeyDecoder decoder;
    std::deque<win32_imitation::INPUT_RECORD> events;
    win32_imitation::DWORD mode = 0;  // as last set; read from the terminal until then
    bool mode_set = false;
    bool keys_at_once = false;  // the terminal passes keys without waiting for a line, and without echo
};

struct ConsoleSlot {
    int fd = -1;
    std::unique_ptr<ConsoleScreen> screen;  // once drawn on
    std::unique_ptr<ConsoleInput> input;    // once read from or its input mode used
    std::string out;                        // what the current call sends the terminal
};

// The descriptor a console handle carries, or -1.
int DescriptorOf(win32_imitation::HANDLE handle);

// The slot of a descriptor that was drawn on: the screen model is made on
// first use, starting blank with the terminal's cursor sent home. Resizes
// and continues after a stop are seen to first. Null if the table is full.
ConsoleSlot *ScreenSlot(int fd);

// The slot of a descriptor keys are read from, with its key queue. Null if
// the table is full.
ConsoleSlot *InputSlot(int fd);

// The slot of `fd` if it has one.
ConsoleSlot *FindSlot(int fd);

// Sends and empties slot.out in one write (more only when the terminal
// takes it in pieces). False if the terminal is gone.
bool SendOutput(ConsoleSlot &slot);

// Acts on resizes and continues that signals reported: screens are resized
// or repainted, and key queues get a window-size event after a resize.
void ServiceTerminalSignals();

// Puts each terminal's cursor where its model's is, before input is read.
void ShowCursors();

// Gives fd's terminal back as it was and forgets its console state.
void ReleaseConsole(int fd);

}  // namespace portkit::posix

#endif
