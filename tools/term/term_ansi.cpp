// ANSI mode on the console: the console backend draws, the user's terminal
// gives the keys.
#include "portkit/screen.h"
#include "tools/term/console_handles.h"
#include "tools/term/term_ansi_display.h"
#include "tools/term/user_terminal.h"

namespace portkit::tool {

namespace {

class ConsoleAnsiDisplay final : public AnsiDisplay {
public:
    using AnsiDisplay::AnsiDisplay;
    void WaitForActivity(int milliseconds) override { WaitForKeyOrPort(port(), milliseconds); }
};

}  // namespace

std::unique_ptr<TermDisplay> MakeAnsiDisplay(PortStructure *port, const DisplayOptions &options) {
    ConsoleHandles handles{};
    if (!GetConsoleHandles(&handles)) return nullptr;
    EmulatorRecord *record = CreateTermEmulator(port, options);
    if (record == nullptr) return nullptr;
    AttachConsoleToEmulator(record, handles.input, handles.output);
    if (record->display == nullptr) {
        std::fprintf(stderr, "portkit term: no memory for the console display\n");
        record->destroy(record);
        return nullptr;
    }
    record->clear_window(record->display);
    return std::make_unique<ConsoleAnsiDisplay>(port, record, options);
}

}  // namespace portkit::tool
