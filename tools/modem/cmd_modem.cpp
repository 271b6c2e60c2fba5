// portkit modem: run Hayes modem commands on a port and print the replies.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

#include "portkit/modem.h"
#include "tools/cli/commands.h"
#include "tools/cli/interrupt.h"
#include "tools/cli/options.h"
#include "tools/cli/port_option.h"
#include "tools/modem/modem_abort.h"
#include "tools/modem/modem_dialogue.h"
#include "tools/modem/modem_options.h"

namespace portkit::tool {
namespace {

using Step = std::function<bool(ModemDialogue &dialogue)>;

// A number 0..255, as S-registers and their values are.
std::optional<int> RegisterNumber(const std::string &text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    }
    const int value = std::atoi(text.c_str());
    return value <= 255 ? std::optional<int>(value) : std::nullopt;
}

bool IsCommandLine(const std::string &word) {
    return word.size() >= 2 && std::toupper(static_cast<unsigned char>(word[0])) == 'A' &&
           (std::toupper(static_cast<unsigned char>(word[1])) == 'T' || word == "A/");
}

// `register N` or `register N=V`.
std::optional<Step> RegisterStep(const std::string &operand) {
    const std::size_t equals = operand.find('=');
    const auto reg = RegisterNumber(operand.substr(0, equals));
    if (!reg) return std::nullopt;
    if (equals == std::string::npos) return Step([r = *reg](ModemDialogue &d) { return d.ReadRegister(r); });
    const auto value = RegisterNumber(operand.substr(equals + 1));
    if (!value) return std::nullopt;
    return Step([r = *reg, v = *value](ModemDialogue &d) { return d.WriteRegister(r, v); });
}

// The words of the command line as steps; nothing, with the reason on
// stderr, when one of them is not understood.
std::optional<std::vector<Step>> ParseSteps(const std::vector<std::string> &words) {
    std::vector<Step> steps;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string &word = words[i];
        const bool has_operand = i + 1 < words.size();
        if (word == "reset") {
            steps.emplace_back([](ModemDialogue &d) { return d.Reset(); });
        } else if (word == "answer") {
            steps.emplace_back([](ModemDialogue &d) { return d.Answer(); });
        } else if (word == "hangup") {
            steps.emplace_back([](ModemDialogue &d) { return d.HangUp(); });
        } else if (word == "dial") {
            const std::string number = has_operand ? words[++i] : "";
            if (number.empty() || number.size() > PORTKIT_MAX_DIAL_NUMBER) {
                std::fprintf(stderr, "portkit modem: dial wants a NUMBER of 1 to %d characters\n",
                             PORTKIT_MAX_DIAL_NUMBER);
                return std::nullopt;
            }
            steps.emplace_back([number](ModemDialogue &d) { return d.Dial(number); });
        } else if (word == "register") {
            auto step = has_operand ? RegisterStep(words[++i]) : std::nullopt;
            if (!step) {
                std::fprintf(stderr, "portkit modem: register wants N or N=V, each 0 to 255\n");
                return std::nullopt;
            }
            steps.push_back(std::move(*step));
        } else if (IsCommandLine(word)) {
            steps.emplace_back([word](ModemDialogue &d) { return d.SendCommandLine(word); });
        } else {
            std::fprintf(stderr,
                         "portkit modem: '%s' is neither reset, dial, answer, hangup, register nor an AT command\n",
                         word.c_str());
            return std::nullopt;
        }
    }
    if (steps.empty()) {
        std::fprintf(stderr, "portkit modem: give the COMMANDs to run\n");
        return std::nullopt;
    }
    return steps;
}

}  // namespace

int RunModem(Arguments arguments) {
    const auto options = Options::Parse("modem", arguments, ModemValuedOptions({"timeout", "dial-timeout"}), {});
    if (!options) return kExitUsage;
    const auto timeouts = ModemTimeoutOptions("modem", *options);
    if (!timeouts || !LineOptionsUsable("modem", *options)) return kExitUsage;
    const auto steps = ParseSteps(options->positional());
    if (!steps) return kExitUsage;
    PortStructure *port = OpenPortOption("modem", *options);
    if (port == nullptr) return kExitFailure;
    AbortModemWaitsOnInterrupt();
    ModemDialogue dialogue("modem", port, *timeouts);
    bool succeeded = true;
    for (const Step &step : *steps) {
        succeeded = step(dialogue);
        if (!succeeded) break;
    }
    PWPortClose(port);
    if (succeeded) return kExitOk;
    return Interrupted() ? kExitInterrupted : kExitFailure;
}

}  // namespace portkit::tool
