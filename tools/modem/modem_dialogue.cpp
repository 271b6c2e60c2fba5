#include "tools/modem/modem_dialogue.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <utility>

#include "portkit/modem.h"
#include "portkit/timedio.h"

namespace portkit::tool {
namespace {

// A modem that sends without line ends has its output cut into lines this long.
constexpr std::size_t kLongestLine = 4096;
// Bounds the input thrown away before a command on a line that never stops.
constexpr int kLongestStaleInput = 65536;
// The silence a modem wants on either side of +++ (S12 = 50, in 1/50 s),
// and a little more.
constexpr int kEscapeGuardMs = 1100;

bool SameText(const std::string &a, const std::string &b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

bool Blank(const std::string &line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
}

// Control characters from the line are shown as ^X, never passed to the terminal.
void PrintReplyLine(const std::string &line) {
    std::string shown;
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t') {
            shown += '^';
            shown += static_cast<char>(byte + 0x40);
        } else if (byte == 0x7f) {
            shown += "^?";
        } else {
            shown += c;
        }
    }
    std::printf("%s\n", shown.c_str());
    std::fflush(stdout);
}

}  // namespace

ModemDialogue::ModemDialogue(std::string command, PortStructure *port, ModemTimeouts timeouts)
    : command_(std::move(command)), port_(port), timeouts_(timeouts) {
    // The library's commands return once sent; the replies are read here.
    HMFixedDelay(0);
}

bool ModemDialogue::SendCommandLine(const std::string &line) {
    DiscardStaleInput();
    const int status = HMSendString(port_, line.c_str());
    if (status < 0) return Failed(line, status);
    const auto result = AwaitResult(line, line, timeouts_.command_ms);
    if (result == ModemResult::kConnect) online_ = true;
    return result == ModemResult::kOk || result == ModemResult::kConnect;
}

bool ModemDialogue::Reset() {
    DiscardStaleInput();
    const int status = HMReset(port_);
    if (status < 0) return Failed("reset", status);
    online_ = false;
    return AwaitResult("reset", "ATZ", timeouts_.command_ms) == ModemResult::kOk;
}

bool ModemDialogue::Dial(const std::string &number) {
    const std::string step = "dial " + number;
    DiscardStaleInput();
    const int status = HMDial(port_, number.c_str());
    if (status < 0) return Failed(step, status);
    return AwaitCall(step, DialPrefix() + number, number.ends_with(';'));
}

bool ModemDialogue::Answer() {
    DiscardStaleInput();
    const int status = HMAnswer(port_);
    if (status < 0) return Failed("answer", status);
    return AwaitCall("answer", "ATA", false);
}

bool ModemDialogue::HangUp() {
    if (online_ && !EscapeToCommandMode()) return false;
    online_ = false;
    DiscardStaleInput();
    const int status = HMSetHookSwitch(port_, 0);
    if (status < 0) return Failed("hangup", status);
    return AwaitResult("hangup", "ATH0", timeouts_.command_ms) == ModemResult::kOk;
}

bool ModemDialogue::ReadRegister(int reg) {
    const std::string step = "register " + std::to_string(reg);
    DiscardStaleInput();
    const int value = HMGetRegister(port_, reg);
    if (value < 0) return Failed(step, value);
    std::printf("%d\n", value);
    std::fflush(stdout);
    // The OK after the value is still on its way; the value says it all.
    return AwaitResult(step, "", timeouts_.command_ms, false) == ModemResult::kOk;
}

bool ModemDialogue::WriteRegister(int reg, int value) {
    const std::string sent = "ATS" + std::to_string(reg) + "=" + std::to_string(value);
    DiscardStaleInput();
    const int status = HMSetRegister(port_, reg, value);
    if (status < 0) return Failed(sent, status);
    return AwaitResult(sent, sent, timeouts_.command_ms) == ModemResult::kOk;
}

bool ModemDialogue::AwaitCall(const std::string &step, const std::string &sent, bool ok_is_success) {
    const auto result = AwaitResult(step, sent, timeouts_.call_ms);
    if (!result) {
        // Any character stops a modem that is still dialing or listening for a carrier.
        PWWriteChar(port_, '\r');
        return false;
    }
    if (*result == ModemResult::kConnect) online_ = true;
    return *result == ModemResult::kConnect || (ok_is_success && *result == ModemResult::kOk);
}

bool ModemDialogue::EscapeToCommandMode() {
    // The modem takes +++ only with a guard time of silence before and after.
    // Whatever the far end sends meanwhile is read (and shown), not left
    // queued, which would keep the wait from idling.
    const Clock::time_point guard_ends = Clock::now() + std::chrono::milliseconds(kEscapeGuardMs);
    std::string line;
    int status = ReadLine(&line, guard_ends);
    while (status > 0) {
        if (!Blank(line)) PrintReplyLine(line);
        status = ReadLine(&line, guard_ends);
    }
    if (status < 0) return Failed("hangup", status);
    status = HMSendStringNoWait(port_, "+++", PORTKIT_TERMINATOR_NONE);
    if (status < 0) return Failed("hangup", status);
    // A modem that loops data back returns the +++ as a line of its own.
    return AwaitResult("hangup", "+++", kEscapeGuardMs + timeouts_.command_ms) == ModemResult::kOk;
}

std::optional<ModemResult> ModemDialogue::AwaitResult(const std::string &step, const std::string &sent, int timeout_ms,
                                                      bool show_ok) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    bool echo_possible = !sent.empty();
    std::string line;
    for (;;) {
        const int status = ReadLine(&line, deadline);
        if (status == 0) {
            std::fprintf(stderr, "portkit %s: %s: no answer from the modem within %g s\n", command_.c_str(),
                         step.c_str(), timeout_ms / 1000.0);
            return std::nullopt;
        }
        if (status < 0) {
            Failed(step, status);
            return std::nullopt;
        }
        if (Blank(line)) continue;
        // The modem's echo of the command comes first, if the modem echoes.
        const bool echo = echo_possible && SameText(line, sent);
        echo_possible = false;
        if (echo) continue;
        const ModemResult result = ClassifyReplyLine(line);
        if (show_ok || result != ModemResult::kOk) PrintReplyLine(line);
        if (result != ModemResult::kNotFinal) return result;
    }
}

int ModemDialogue::ReadLine(std::string *line, Clock::time_point deadline) {
    line->clear();
    char piece[256];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return 0;
        const int status = HMInputLine(port_, static_cast<int>(std::min<long long>(left, 1 << 30)), piece,
                                       static_cast<int>(sizeof piece));
        if (status <= 0) return status;
        line->append(piece);
        // A full buffer means the line goes on.
        if (std::strlen(piece) < sizeof piece - 1 || line->size() >= kLongestLine) return 1;
    }
}

void ModemDialogue::DiscardStaleInput() {
    int taken = 0;
    while (taken < kLongestStaleInput && PWReadChar(port_) >= 0) ++taken;
}

bool ModemDialogue::Failed(const std::string &step, int status) {
    std::fprintf(stderr, "portkit %s: %s: %s (%d)\n", command_.c_str(), step.c_str(), CommErrorName(status), status);
    return false;
}

// The start of the command HMDial sends, to know its echo by.
std::string ModemDialogue::DialPrefix() const {
    switch (PWGetPortDialingMethod(port_)) {
        case PORTKIT_DIAL_PULSE:
            return "ATDP";
        case PORTKIT_DIAL_DEFAULT:
            return "ATD";
        default:
            return "ATDT";
    }
}

}  // namespace portkit::tool
