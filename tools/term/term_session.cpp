#include "tools/term/term_session.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "tools/term/term_commands.h"
#include "tools/term/user_terminal.h"

namespace portkit::tool {
namespace {

// How long the loop waits for keys when neither side had anything; the
// port is looked at again after it, so this bounds the delay of its bytes.
constexpr int kIdleWaitMs = 2;
constexpr auto kReconnectPoll = std::chrono::milliseconds(500);

bool LineGone(PortStructure *port) { return PWGetPortStatus(port) == PORTKIT_XFER_LOST_CARRIER; }

std::unique_ptr<TermDisplay> MakeDisplay(PortStructure *port, const TermSettings &settings, std::FILE *log) {
    DisplayOptions options;
    options.echo = settings.echo;
    options.watch_zmodem = settings.autozmodem;
    options.watch_bplus = settings.bplus;
    options.log = log;
    options.utf8 = settings.utf8;
    if (settings.window) return MakeWindowDisplay(port, options, settings.rows, settings.cols);
    return settings.ansi ? MakeAnsiDisplay(port, options) : MakePassThroughDisplay(port, options);
}

enum class SessionEnd { kQuit, kKeyboardClosed, kLineGone, kNoDisplay };

SessionEnd RunUntilEnd(PortStructure *port, const TermSettings &settings, std::FILE *log) {
    std::unique_ptr<TermDisplay> display = MakeDisplay(port, settings, log);
    if (!display) return SessionEnd::kNoDisplay;
    TermState state{port, display.get(), &settings};
    display->Show("portkit term: " + settings.device + " at " + settings.line_text +
                  "\nCtrl-T ? for help, Ctrl-T q to quit\n");
    for (;;) {
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
    std::FILE *log = nullptr;
    if (!settings.log_path.empty()) {
        log = std::fopen(settings.log_path.c_str(), "ab");
        if (log == nullptr) {
            std::perror(("portkit term: cannot open the log " + settings.log_path).c_str());
            PWPortClose(port);
            return 1;
        }
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
        std::fprintf(stderr, "portkit term: waiting for %s to come back (Ctrl-C to stop)\n", settings.device.c_str());
        while ((port = reopen()) == nullptr) std::this_thread::sleep_for(kReconnectPoll);
    }
    if (log != nullptr) std::fclose(log);
    std::fprintf(stderr, "\r\n");
    return exit_code;
}

}  // namespace portkit::tool
