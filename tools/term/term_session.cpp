#include "tools/term/term_session.h"

#include <cstdio>

#include "tools/cli/commands.h"
#include "tools/term/device_wait.h"
#include "tools/term/line_settings_dialog.h"
#include "tools/term/term_commands.h"
#include "tools/term/user_terminal.h"

namespace portkit::tool {
namespace {

// How long the loop waits for keys when neither side had anything; the
// port is looked at again after it, so this bounds the delay of its bytes.
constexpr int kIdleWaitMs = 2;

bool LineGone(PortStructure *port) { return PWGetPortStatus(port) == PORTKIT_XFER_LOST_CARRIER; }

std::unique_ptr<TermDisplay> MakeDisplay(PortStructure *port, const TermSettings &settings, SessionLog *log,
                                         const TermFeatures *live) {
    DisplayOptions options;
    options.live = live;
    options.command_key = settings.features.command_key;
    options.echo = settings.echo;
    options.watch_zmodem = settings.autozmodem;
    options.watch_bplus = settings.bplus;
    options.log = log;
    options.utf8 = settings.utf8;
    if (settings.window) return MakeWindowDisplay(port, options, settings.rows, settings.cols);
    return settings.ansi ? MakeAnsiDisplay(port, options) : MakePassThroughDisplay(port, options);
}

enum class SessionEnd { kQuit, kKeyboardClosed, kLineGone, kNoDisplay };

// What the user changed during the session (Ctrl-T c, the toggles) outlives
// a device that goes away and comes back.
struct SessionChanges {
    TermFeatures live;
    LineChoice line;
};

SessionEnd Converse(TermState &state, const TermSettings &settings, SessionLog &log);

SessionEnd RunUntilEnd(PortStructure *port, const TermSettings &settings, SessionLog &log, SessionChanges &changes) {
    std::unique_ptr<TermDisplay> display = MakeDisplay(port, settings, &log, &changes.live);
    if (!display) return SessionEnd::kNoDisplay;
    TermState state;
    state.port = port;
    state.display = display.get();
    state.settings = &settings;
    state.line = changes.line;
    state.live = &changes.live;
    state.log = &log;
    const std::string key = CommandKeyName(settings.features.command_key);
    const std::string line_text =
        changes.line.Text() == settings.line.Text() ? settings.line_text : changes.line.Text();
    display->Show("portkit term: " + settings.device + " at " + line_text + "\n" + key + " ? for help, " + key +
                  " q to quit\n");
    const SessionEnd end = Converse(state, settings, log);
    changes.line = state.line;
    return end;
}

// The session's loop: the far end's bytes to the screen, the user's keys to
// the far end, until one of them ends it.
SessionEnd Converse(TermState &state, const TermSettings &settings, SessionLog &log) {
    PortStructure *port = state.port;
    TermDisplay *display = state.display;
    for (;;) {
        if (const std::string failure = log.TakeFailure(); !failure.empty()) display->Show("\n[" + failure + "]\n");
        const Pumped received = display->PumpReceived();
        if (received == Pumped::kZmodemStart) {
            ReceiveStartedZmodem(state);
            display->ForgetZmodemStart();
            continue;
        }
        if (received == Pumped::kBPlusEnq || received == Pumped::kBPlusStart) {
            AnswerBPlusHost(state, received == Pumped::kBPlusStart);
            continue;
        }
        if (LineGone(port)) {
            display->Show("\nportkit term: " + settings.device + " has gone away\n");
            return SessionEnd::kLineGone;
        }
        const Pumped keys = display->PumpKeys();
        if (keys == Pumped::kCommandKey && RunCommandKey(state) == CommandOutcome::kQuit) return SessionEnd::kQuit;
        if (KeyboardClosed() || display->Closed()) return SessionEnd::kKeyboardClosed;
        if (received == Pumped::kNothing && keys == Pumped::kNothing) display->WaitForActivity(kIdleWaitMs);
    }
}

}  // namespace

int RunTerminalSession(PortStructure *port, const TermSettings &settings, const Reopen &reopen) {
    SessionLog log(settings.features.log_append);
    if (std::string error; !settings.log_path.empty() && !log.Open(settings.log_path, &error)) {
        std::fprintf(stderr, "portkit term: cannot open the log %s: %s\n", settings.log_path.c_str(), error.c_str());
        PWPortClose(port);
        return 1;
    }
    int exit_code = 0;
    SessionChanges changes{settings.features, settings.line};
    for (;;) {
        const SessionEnd end = RunUntilEnd(port, settings, log, changes);
        PWPortClose(port);
        port = nullptr;
        if (end == SessionEnd::kNoDisplay) exit_code = 1;
        if (end != SessionEnd::kLineGone) break;
        if (!settings.reconnect) {
            exit_code = 1;
            break;
        }
        std::fprintf(stderr, "portkit term: waiting for %s to come back (Ctrl-C or %s q to quit)\n",
                     settings.device.c_str(), CommandKeyName(settings.features.command_key).c_str());
        const DeviceWaitEnd waited = WaitForDevice(reopen, settings.features.command_key, &port);
        if (waited != DeviceWaitEnd::kOpened) {
            exit_code = waited == DeviceWaitEnd::kInterrupted ? kExitInterrupted : kExitOk;
            break;
        }
        // The device opened as the command line has it.
        if (changes.line.Text() != settings.line.Text() && ApplyLine(port, changes.line, settings.line) < 0) {
            changes.line = settings.line;
        }
    }
    std::fprintf(stderr, "\r\n");
    return exit_code;
}

}  // namespace portkit::tool
