// The plain input loop: received characters go straight to the screen.
#include "emulation/emulator_internal.h"
#include "platform/platform.h"

using namespace portkit::emulation;

extern "C" PORTKIT_API int _process_input(EmulatorRecord *record) {
    if (record == nullptr || !HasDisplay(record)) return -1;
    const portkit::platform::ConsoleOutputBatch batch_output;
    for (int taken = 0; taken < kInputPerCall; ++taken) {
        const int c = record->local_mode != 0 ? record->read_key(record) : PWReadChar(record->port);
        if (c < 0) return -1;
        const int value = ScanInputCharacter(record, static_cast<unsigned char>(c));
        if (value != -1) return value;
        record->put_char(record->display, c);
    }
    return -1;
}
