// ANSI mode in a terminal window: the library's terminal window draws and
// gives the keys; its events are served inside the library's waits.
#include <cstdio>

#include "portkit/dsterm.h"
#include "tools/term/term_ansi_display.h"
#include "tools/term/term_window_system.h"

namespace portkit::tool {
namespace {

// The session has one window; the emulator's key slot carries no pointer of ours.
bool window_closed = false;

// Reads a key as the emulator's own slot does, noting a closed window.
int ReadWindowKey(EmulatorRecord *record) {
    const int key = DSTermGetKey(record->keyboard);
    if (key != DSTERM_WINDOW_CLOSED) return key;
    window_closed = true;
    return -1;
}

class WindowAnsiDisplay final : public AnsiDisplay {
public:
    WindowAnsiDisplay(PortStructure *port, EmulatorRecord *record, const DisplayOptions &options)
        : AnsiDisplay(port, record, options) {
        record->read_key = ReadWindowKey;
    }

    // The idle wait serves the window while it waits on the port.
    void WaitForActivity(int milliseconds) override { PortKillTime(port(), milliseconds); }

    bool Closed() const override { return window_closed; }
};

}  // namespace

std::unique_ptr<TermDisplay> MakeWindowDisplay(PortStructure *port, const DisplayOptions &options, int rows, int cols) {
    if (InitDSTerm(nullptr) == 0) {
        std::fprintf(stderr, "portkit term: --window %s\n", kWindowSystemFailure);
        return nullptr;
    }
    // Room for cells up to 16 x 32 pixels: the window shrinks to the grid
    // and stays centred on this area.
    EmulatorHandle window = DSTermCreateWindow(nullptr, 0, 0, cols * 16, rows * 32, DSTERM_GRID(rows, cols));
    if (window == nullptr) {
        std::fprintf(stderr, "portkit term: --window cannot create the window\n");
        return nullptr;
    }
    EmulatorRecord *record = CreateTermEmulator(port, options);
    if (record == nullptr) return nullptr;
    AttachDSTermToEmulator(record, window);
    record->clear_window(window);
    window_closed = false;
    return std::make_unique<WindowAnsiDisplay>(port, record, options);
}

}  // namespace portkit::tool
