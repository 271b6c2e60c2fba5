// The plain input loop: received characters go straight to the screen.
#include <algorithm>
#include <span>

#include "port/port_queues.h"
#include "emulation/emulator_internal.h"
#include "platform/platform.h"

using namespace portkit::emulation;

namespace {

struct QueuedRun {
    std::size_t used;  // characters taken, the one completing a command among them
    int command;       // value of the completed incoming command, or -1
};

// Shows the characters of `queued` up to the end or up to one that
// completes an incoming command, as the loop would one read at a time.
QueuedRun ShowQueued(EmulatorRecord *record, std::span<const std::uint8_t> queued) {
    for (std::size_t i = 0; i < queued.size(); ++i) {
        const int value = ScanInputCharacter(record, queued[i]);
        if (value != -1) return {i + 1, value};
        record->put_char(record->display, queued[i]);
    }
    return {queued.size(), -1};
}

}  // namespace

extern "C" PORTKIT_API int _process_input(EmulatorRecord *record) {
    if (record == nullptr || !HasDisplay(record)) return -1;
    const portkit::platform::ConsoleOutputBatch batch_output;
    for (int taken = 0; taken < kInputPerCall;) {
        // What the driver has queued is taken where it lies, a byte read at
        // a time costing far more than showing it. Characters after a
        // command stay queued for whoever reads the port next (a transfer
        // the command starts), as with reads of one character.
        const std::span<const std::uint8_t> queued =
            record->local_mode != 0 ? std::span<const std::uint8_t>{} : portkit::PeekQueuedInput(record->port);
        if (!queued.empty()) {
            const auto room = static_cast<std::size_t>(kInputPerCall - taken);
            const QueuedRun run = ShowQueued(record, queued.first(std::min(queued.size(), room)));
            portkit::DropQueuedInput(record->port, run.used);
            if (run.command != -1) return run.command;
            taken += static_cast<int>(run.used);
            continue;
        }
        const int c = record->local_mode != 0 ? record->read_key(record) : PWReadChar(record->port);
        if (c < 0) return -1;
        ++taken;
        const int value = ScanInputCharacter(record, static_cast<unsigned char>(c));
        if (value != -1) return value;
        record->put_char(record->display, c);
    }
    return -1;
}
