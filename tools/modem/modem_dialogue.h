// A conversation with a Hayes modem on an open port: commands go out through
// the library's HM calls, and the lines the modem answers are printed on
// standard output up to the result code that ends them (never the modem's
// echo of the command, nor blank lines).
#ifndef PORTKIT_TOOLS_MODEM_MODEM_DIALOGUE_H
#define PORTKIT_TOOLS_MODEM_MODEM_DIALOGUE_H

#include <chrono>
#include <optional>
#include <string>

#include "portkit/port.h"
#include "tools/modem/modem_results.h"

namespace portkit::tool {

struct ModemTimeouts {
    int command_ms = 5000;  // for the reply to a command
    int call_ms = 60000;    // for the result of a dial or an answer
};

// Each step returns true when the modem did what was asked; otherwise the
// modem's own answer has been printed, or the reason ("portkit COMMAND:
// STEP: ...") is on stderr.
class ModemDialogue {
public:
    // `command` names the tool's command in messages.
    ModemDialogue(std::string command, PortStructure *port, ModemTimeouts timeouts);

    // Any AT command line, sent as it stands with CR.
    bool SendCommandLine(const std::string &line);
    bool Reset();
    // Success is CONNECT, or OK for a number ending in ';' (stay in command mode).
    bool Dial(const std::string &number);
    bool Answer();
    // Goes back to command mode first when a call of ours is up.
    bool HangUp();
    // Prints the value in decimal.
    bool ReadRegister(int reg);
    bool WriteRegister(int reg, int value);

private:
    using Clock = std::chrono::steady_clock;

    // Waits for the result of a dial or an answer, stopping the modem when
    // none comes.
    bool AwaitCall(const std::string &step, const std::string &sent, bool ok_is_success);
    bool EscapeToCommandMode();
    // Prints reply lines up to a final result code (an OK only with
    // `show_ok`) and gives it; nothing, with the reason on stderr, on a
    // time-out or a failure. `sent` is the command line, whose echo is not
    // a reply; empty when there is no echo to expect.
    std::optional<ModemResult> AwaitResult(const std::string &step, const std::string &sent, int timeout_ms,
                                           bool show_ok = true);
    // One reply line: >0 when it came, 0 at the deadline, else a status code.
    int ReadLine(std::string *line, Clock::time_point deadline);
    // What came in before a command is not part of its reply: the rest of an
    // earlier one, a RING, the result of a dial abandoned by an earlier run.
    void DiscardStaleInput();
    // Reports a negative status of `step` and gives false.
    bool Failed(const std::string &step, int status);
    std::string DialPrefix() const;

    std::string command_;
    PortStructure *port_;
    ModemTimeouts timeouts_;
    bool online_ = false;  // since a CONNECT this run: data mode, until escaped
};

}  // namespace portkit::tool

#endif
