#include "tools/term/term_session.h"

#include <cstdio>

#include "tools/cli/commands.h"
#include "tools/term/device_wait.h"
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

SessionEnd RunUntilEnd(PortStructure *port, const TermSettings &settings, SessionLog &log) {
    TermFeatures live = settings.features;
    std::unique_ptr<TermDisplay> display = MakeDisplay(port, settings, &log, &live);
    if (!display) return SessionEnd::kNoDisplay;
    TermState state;
    state.port = port;
    state.display = display.get();
    state.settings = &settings;
    state.line = settings.line;
    state.live = &live;
    state.log = &log;
    const std::string key = CommandKeyName(settings.features.command_key);
    display->Show("portkit term: " + settings.device + " at " + settings.line_text + "\n" + key + " ? for help, " +
                  key + " q to quit\n");
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
    for (;;) {
        const SessionEnd end = RunUntilEnd(port, settings, log);
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
    }
    std::fprintf(stderr, "\r\n");
    return exit_code;
}

}  // namespace portkit::tool
