#include "tools/term/term_view_commands.h"

#include "tools/term/byte_maps.h"
#include "tools/term/term_prompt.h"

namespace portkit::tool {
namespace {

std::string OnOff(bool on) { return on ? "on" : "off"; }

// The emulator draws the far end's screen itself: the views are pass-through's.
bool ViewsAvailable(TermState &state) {
    if (!state.settings->ansi && !state.settings->window) return true;
    state.display->Show("\n[not available in the ANSI emulator; only in pass-through mode]\n");
    return false;
}

}  // namespace

void ToggleHexView(TermState &state) {
    if (!ViewsAvailable(state)) return;
    state.live->hex = !state.live->hex;
    state.display->Show("\n[hex view " + OnOff(state.live->hex) + "]\n");
}

void ToggleTimestamps(TermState &state) {
    if (!ViewsAvailable(state)) return;
    state.live->timestamps = !state.live->timestamps;
    state.display->Show("\n[timestamps " + OnOff(state.live->timestamps) + "]\n");
}

void ToggleLfCrLf(TermState &state) {
    if (!ViewsAvailable(state)) return;
    state.live->imap ^= kMapLfCrLf;
    state.display->Show("\n[LF shown as CR LF " + OnOff((state.live->imap & kMapLfCrLf) != 0) + "]\n");
}

void LogCommand(TermState &state) {
    TermDisplay &display = *state.display;
    SessionLog &log = *state.log;
    const std::string prompt =
        log.IsOpen() ? "\nLog to another file (empty closes " + log.path() + "): " : std::string("\nLog to file: ");
    const auto name = AskLine(display, prompt);
    if (!name) return;
    if (name->empty()) {
        if (!log.IsOpen()) return;
        const std::string closed = log.path();
        log.Close();
        display.Show("[log " + closed + " closed]\n");
        return;
    }
    std::string error;
    if (!log.Open(*name, &error)) {
        display.Show("[cannot open the log " + *name + ": " + error +
                     (log.IsOpen() ? "; still logging to " + log.path() : std::string()) + "]\n");
        return;
    }
    display.Show("[logging to " + *name + "]\n");
}

}  // namespace portkit::tool
