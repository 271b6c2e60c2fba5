#include "tools/term/term_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>

#include "portkit/transfer.h"
#include "tools/bplus/bplus_host_start.h"
#include "tools/bplus/upload_consent.h"
#include "tools/cli/protocols.h"
#include "tools/term/line_settings_dialog.h"
#include "tools/term/term_prompt.h"
#include "tools/term/term_view_commands.h"
#include "tools/term/user_terminal.h"
#include "tools/transfer/progress.h"
#include "tools/transfer/received_file_choice.h"
#include "tools/transfer/wait_stop.h"

namespace portkit::tool {
namespace {

constexpr int kBreakMs = 250;
constexpr int kProgressColumns = 79;
constexpr unsigned char kCtrlC = 0x03, kCtrlX = 0x18, kEscape = 0x1B;

// The display of the transfer or wait running, for the hooks, which carry no pointer of ours.
TermDisplay *transfer_display = nullptr;
// A stop key came during the transfer or wait running.
bool stop_typed = false;
// The echo of a text upload left the cursor inside a line.
bool echo_line_open = false;

// Ctrl-C, Ctrl-X or Esc typed during a transfer or wait ends it; other keys
// are dropped there and then, so none reaches the far end afterwards.
bool StopKeyTyped() {
    if (transfer_display == nullptr || stop_typed) return stop_typed;
    for (int key; (key = transfer_display->NextKey()) != -1;) {
        if (key == kCtrlC || key == kCtrlX || key == kEscape) return stop_typed = true;
    }
    return false;
}

int AbortOnKey(TransferRecord *) { return StopKeyTyped() ? PORTKIT_XFER_USER_ABORT : 0; }

// While a transfer or a wait runs, the keyboard is read at its every check
// and its every turn of waiting, and the stop keys end it at once.
class KeysStopWaits {
public:
    explicit KeysStopWaits(TermDisplay &display) : wait_stop_(StopKeyTyped) {
        transfer_display = &display;
        stop_typed = false;
        SetAbortXferFunctionPtr(AbortOnKey);
    }
    ~KeysStopWaits() {
        SetAbortXferFunctionPtr(nullptr);
        // What was typed since the last turn, or after a stop key, goes too.
        transfer_display->DropTypedKeys();
        transfer_display = nullptr;
    }
    KeysStopWaits(const KeysStopWaits &) = delete;
    KeysStopWaits &operator=(const KeysStopWaits &) = delete;

private:
    WaitStop wait_stop_;
};

const Protocol *AskProtocol(TermDisplay &display) {
    const auto answer = AskLine(display, "Protocol (zmodem, ymodem, xmodem, kermit, ascii) [zmodem]: ");
    if (!answer) return nullptr;
    const std::string name = answer->empty() ? std::string(kDefaultProtocol) : *answer;
    const Protocol *protocol = FindProtocol(name);
    if (protocol == nullptr) display.Show("Unknown protocol '" + name + "'; known: " + ProtocolNames() + "\n");
    return protocol;
}

// Runs a transfer with its progress on the terminal; keys typed meanwhile
// can end it.
void RunTransferHere(TermState &state, const std::function<int(TransferHooks)> &transfer) {
    TermDisplay &display = *state.display;
    display.Show("\n");
    int result;
    {
        TransferProgress progress(display.ProgressStream(), true, kProgressColumns);
        {
            const KeysStopWaits keys_stop(display);
            result = transfer({TransferProgress::MessageHook, TransferProgress::StatusHook});
        }
        progress.Finish(result);
    }
    if (echo_line_open) display.Show("\n");
    echo_line_open = false;
    if (result < 0) {
        display.Show(std::string("Transfer failed: ") + CommErrorName(result) + " (" + std::to_string(result) + ")\n");
    } else {
        display.Show("Transfer complete.\n");
    }
}

// Each name of `files` names a file that can be read; else the first that
// cannot, and why, is shown.
bool FilesReadable(TermDisplay &display, const std::string &files) {
    std::istringstream names(files);
    for (std::string name; names >> name;) {
        std::FILE *file = std::fopen(name.c_str(), "rb");
        if (file == nullptr) {
            display.Show("Cannot read " + name + ": " + std::strerror(errno) + "\n");
            return false;
        }
        std::fclose(file);
    }
    return true;
}

void SendCommand(TermState &state) {
    TermDisplay &display = *state.display;
    const auto files = AskLine(display, "Send files: ");
    if (!files || files->empty() || !FilesReadable(display, *files)) return;
    const Protocol *protocol = AskProtocol(display);
    if (protocol == nullptr) return;
    RunTransferHere(state, [&](TransferHooks hooks) { return SendFiles(*protocol, state.port, *files, hooks, {}); });
}

void ReceiveCommand(TermState &state) {
    TermDisplay &display = *state.display;
    const Protocol *protocol = AskProtocol(display);
    if (protocol == nullptr) return;
    std::string name;
    if (protocol->ReceiveNeedsName()) {
        const auto answer = AskLine(display, "Store as: ");
        if (!answer || answer->empty()) return;
        name = *answer;
    }
    // A name just typed is the user's own choice of the file to write.
    const std::vector<int> codes = ReceivedFileCodes(name.empty() ? ExistingChoice::kKeep : ExistingChoice::kOverwrite);
    RunTransferHere(state,
                    [&](TransferHooks hooks) { return ReceiveFiles(*protocol, state.port, name, hooks, codes); });
}

// The far end's echo of an ASCII upload, drawn as it comes; the echo hook
// carries no pointer of ours either.
void ShowEcho(int c) {
    if (transfer_display == nullptr) return;
    transfer_display->Show(std::string(1, static_cast<char>(c)));
    echo_line_open = c != '\n';
}

constexpr int kDefaultLineDelayMs = 100;

// The delay after each line gives a host that reads lines time to take one.
std::optional<int> AskLineDelay(TermDisplay &display) {
    const auto answer = AskLine(display, "Delay after each line, ms [" + std::to_string(kDefaultLineDelayMs) + "]: ");
    if (!answer) return std::nullopt;
    if (answer->empty()) return kDefaultLineDelayMs;
    char *end = nullptr;
    const long value = std::strtol(answer->c_str(), &end, 10);
    if (*end != '\0' || value < 0 || value > 60000) {
        display.Show("A number of milliseconds from 0 to 60000, please\n");
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// A text file typed out line by line; the progress display would break up
// the echo, so only the echo is shown.
void SendTextCommand(TermState &state) {
    TermDisplay &display = *state.display;
    const auto file = AskLine(display, "Send text file: ");
    if (!file || file->empty() || !FilesReadable(display, *file)) return;
    const auto delay = AskLineDelay(display);
    if (!delay) return;
    const Protocol *ascii = FindProtocol("ascii");
    AsciiSettings settings;
    settings.line_delay_ms = *delay;
    settings.echo = ShowEcho;
    RunTransferHere(state, [&](TransferHooks) { return SendFiles(*ascii, state.port, *file, {}, {}, settings); });
}

std::string OnOff(bool on) { return on ? "on" : "off"; }

// Whether the device has modem lines at all: DTR and RTS set again to the
// levels they have, which a device without them (a pty) refuses.
bool HasModemLines(TermState &state) {
    if (!state.modem_line_failure.empty()) return false;
    for (const int result : {PWSetDtr(state.port, state.dtr ? 1 : 0), PWSetRts(state.port, state.rts ? 1 : 0)}) {
        if (result < 0) {
            state.modem_line_failure = LibraryReason(state.port, result);
            return false;
        }
    }
    return true;
}

void ShowLineStatus(TermState &state) {
    std::string text = "Modem lines:";
    if (!HasModemLines(state)) {
        // The library calls a device without them a live direct line; its
        // CTS, DSR and CD would be made up.
        text += " none on this device (" + state.modem_line_failure + ")";
    } else if (const int modem = PWGetModemStatus(state.port); modem < 0) {
        text += " unknown (" + LibraryReason(state.port, modem) + ")";
    } else {
        text += " CTS " + OnOff(modem & PORTKIT_MS_CTS) + ", DSR " + OnOff(modem & PORTKIT_MS_DSR) + ", RI " +
                OnOff(modem & PORTKIT_MS_RI) + ", CD " + OnOff(modem & PORTKIT_MS_CD) + "; DTR " + OnOff(state.dtr) +
                ", RTS " + OnOff(state.rts);
    }
    const int line = PWGetLineStatus(state.port);
    text += "\nLine errors:";
    if (line <= 0) {
        text += line < 0 ? " unknown (" + LibraryReason(state.port, line) + ")" : std::string(" none");
    } else {
        if (line & PORTKIT_LS_OVERRUN) text += " overrun";
        if (line & PORTKIT_LS_PARITY) text += " parity";
        if (line & PORTKIT_LS_FRAMING) text += " framing";
        if (line & PORTKIT_LS_BREAK) text += " break";
    }
    state.display->Show("\n" + text + "\n");
}

void ShowSettings(TermState &state) {
    const TermSettings &s = *state.settings;
    state.display->Show("\n" + s.device + " at " + state.line.Text() + "; " +
                        (s.window ? "ANSI emulator in a window"
                         : s.ansi ? "ANSI emulator"
                                  : "pass-through") +
                        ", local echo " + OnOff(s.echo) + ", automatic ZMODEM " + OnOff(s.autozmodem) + ", B+ host " +
                        OnOff(s.bplus) + (state.log->IsOpen() ? ", log " + state.log->path() : std::string()) + "\n");
}

// DTR or RTS to `on`: said only once the library has done it.
void SetModemLine(TermState &state, const char *name, int (*set)(PortStructure *, int), bool &level) {
    const int result = set(state.port, level ? 0 : 1);
    if (result < 0) {
        state.modem_line_failure = LibraryReason(state.port, result);
        state.display->Show(std::string("\n[") + name + " not changed: " + state.modem_line_failure + "]\n");
        return;
    }
    level = !level;
    state.display->Show(std::string("\n[") + name + " " + OnOff(level) + "]\n");
}

void SendBreak(TermState &state) {
    const int result = PWSendBreak(state.port, kBreakMs);
    state.display->Show(result < 0 ? "\n[no break sent: " + LibraryReason(state.port, result) + "]\n"
                                   : std::string("\n[break sent]\n"));
}

}  // namespace

std::string LibraryReason(PortStructure *port, int code) {
    std::string reason = std::string(CommErrorName(code)) + ", " + std::to_string(code);
    char system[256];
    reason = PWGetSystemErrorText(port, system, sizeof system) > 0 ? std::string(system) + " (" + reason + ")" : reason;
    PWClearError(port);
    port->system_error = 0;
    return reason;
}

std::string CommandKeyHelp(unsigned char key) {
    const std::string name = CommandKeyName(key);
    return name +
           " then:\n"
           "  q  quit                      s  send files\n"
           "  r  receive files             a  send a text file, line by line\n"
           "  b  send a break              l  modem and line status\n"
           "  d  toggle DTR                t  toggle RTS\n"
           "  c  change line settings      f  open, switch or close the log\n"
           "  x  toggle the hex view       T  toggle timestamps\n"
           "  m  toggle LF to CR LF on the screen\n"
           "  z  suspend (back with fg)    ?  this help\n"
           "  " +
           name + "  send a " + name + "\n";
}

CommandOutcome RunCommandKey(TermState &state) {
    TermDisplay &display = *state.display;
    const int key = WaitForTypedKey(display);
    switch (key) {
        case 'q':
        case 'Q':
            return CommandOutcome::kQuit;
        case 'c':
            ShowSettings(state);
            return ChangeLineSettings(state);
        case 'f':
            LogCommand(state);
            break;
        case 'x':
            ToggleHexView(state);
            break;
        case 'T':
            ToggleTimestamps(state);
            break;
        case 'm':
            ToggleLfCrLf(state);
            break;
        case 's':
            SendCommand(state);
            break;
        case 'r':
            ReceiveCommand(state);
            break;
        case 'a':
            SendTextCommand(state);
            break;
        case 'b':
            SendBreak(state);
            break;
        case 'd':
            SetModemLine(state, "DTR", PWSetDtr, state.dtr);
            break;
        case 't':
            SetModemLine(state, "RTS", PWSetRts, state.rts);
            break;
        case 'l':
            ShowLineStatus(state);
            break;
        case 'z':
            SuspendTerminal();
            break;
        case '?':
        case 'h':
            display.Show("\n");
            display.Show(CommandKeyHelp(state.settings->features.command_key));
            break;
        default:
            if (key == state.settings->features.command_key) {
                display.SendByte(static_cast<unsigned char>(key));
            } else {
                display.Show("\n[" + CommandKeyName(state.settings->features.command_key) + " ? for help]\n");
            }
            break;
    }
    return CommandOutcome::kCarryOn;
}

namespace {

// The far end chose the file, so it goes only on the user's yes; a stop key
// says no and ends the transfer as well.
bool AskAboutUpload(TermDisplay &display, const std::string &name) {
    display.Show("\nThe far end asks for " + name + ". Send it? (y/N) ");
    const int key = WaitForTypedKey(display);
    if (key == kCtrlC || key == kCtrlX || key == kEscape) stop_typed = true;
    const bool yes = key == 'y' || key == 'Y';
    display.Show(yes ? "yes\n" : "no: not sent\n");
    return yes;
}

// Runs a transfer the far end started: it may bring files, and takes none unasked.
void RunStartedTransfer(TermState &state, const std::function<int(TransferHooks)> &transfer) {
    TermDisplay &display = *state.display;
    const UploadConsent consent([&display](const std::string &name) { return AskAboutUpload(display, name); });
    RunTransferHere(state, transfer);
}

}  // namespace

void ReceiveStartedZmodem(TermState &state) {
    const Protocol *zmodem = FindProtocol("zmodem");
    state.display->Show("\n[ZMODEM download started by the far end; Ctrl-C stops it]");
    std::vector<int> codes = ReceivedFileCodes(ExistingChoice::kKeep);
    codes.push_back(PORTKIT_XFER_NO_HIDDEN_NAMES);  // the far end chose the names
    RunStartedTransfer(state, [&](TransferHooks hooks) { return ReceiveFiles(*zmodem, state.port, "", hooks, codes); });
}

void AnswerBPlusHost(TermState &state, bool started) {
    constexpr int kFirstPacketWaitMs = 2000;
    TermDisplay &display = *state.display;
    if (!started) {
        CompuServeBPlusRespond(state.port, 1);
        // Where the display cannot spot DLE B itself, the next bytes are
        // read here; anything else that comes meanwhile is shown as it is.
        if (display.SeesBPlusStart()) return;
        std::string other;
        int found;
        {
            const KeysStopWaits keys_stop(display);
            found = WaitForBPlusStart(state.port, kFirstPacketWaitMs, StopKeyTyped,
                                      [&other](int c) { other.push_back(static_cast<char>(c)); });
        }
        if (!other.empty()) display.Show(other);
        if (found <= 0) return;
    }
    display.Show("\n[CompuServe B+ transfer started by the host; Ctrl-C stops it]");
    RunStartedTransfer(state, [&](TransferHooks hooks) { return RunBPlusTransfer(state.port, BPlusChoices{}, hooks); });
}

}  // namespace portkit::tool
