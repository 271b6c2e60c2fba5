// The command interpreter of the simulated Hayes modem: one command line,
// the text after "AT", run against the modem's settings. No timing and no
// I/O here; what the line asks of the call state (dial, answer, go online,
// hang up) comes back as an action for the caller to carry out.
#ifndef PORTKIT_TESTS_SUPPORT_HAYES_COMMANDS_H
#define PORTKIT_TESTS_SUPPORT_HAYES_COMMANDS_H

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace portkit::test {

// Result codes with their numeric (V0) values.
enum class HayesResult { kOk = 0, kConnect = 1, kRing = 2, kNoCarrier = 3, kError = 4, kNoDialtone = 6, kBusy = 7 };

// The verbose (V1) text of a result code.
const char *HayesResultText(HayesResult result);

inline constexpr int kHayesRegisterCount = 38;  // S0..S37

// What ATZ and AT&F restore.
struct HayesProfile {
    int echo = 1;              // E
    int verbose = 1;           // V
    int quiet = 0;             // Q
    int extended_results = 4;  // X
    int speaker = 1;           // M
    int volume = 2;            // L
    std::array<int, kHayesRegisterCount> registers = DefaultRegisters();

    int S(int n) const { return registers[static_cast<std::size_t>(n)]; }
    // What ATSn? answers: S14 reflects E, Q and V as real modems do.
    int ReadRegister(int n) const;
    static std::array<int, kHayesRegisterCount> DefaultRegisters();
};

struct HayesOutcome {
    enum class Action { kNone, kDial, kAnswer, kOnline, kHangUp };
    HayesResult result = HayesResult::kOk;
    std::vector<std::string> info;  // information text, sent before the result
    Action action = Action::kNone;
    std::string number;              // kDial: the number without dial modifiers
    bool return_to_command = false;  // kDial: the number ended in ';'
};

HayesOutcome RunHayesCommandLine(std::string_view line, HayesProfile &profile);

}  // namespace portkit::test

#endif
