#include "support/hayes_commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace portkit::test {
namespace {

constexpr int kTooLarge = 100000;  // any number this big is out of every range

// Reads a command line a character at a time, upper-cased, blanks skipped.
class CommandReader {
public:
    explicit CommandReader(std::string_view line) : line_(line) {}

    bool done() {
        SkipBlanks();
        return at_ >= line_.size();
    }
    char Next() {
        SkipBlanks();
        return at_ < line_.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(line_[at_++]))) : '\0';
    }
    char Peek() {
        SkipBlanks();
        return at_ < line_.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(line_[at_]))) : '\0';
    }
    // The decimal number here; none reads as 0, as on real modems.
    int Number() {
        int value = 0;
        while (std::isdigit(static_cast<unsigned char>(Peek()))) {
            value = std::min(kTooLarge, value * 10 + (Next() - '0'));
        }
        return value;
    }
    std::string_view Rest() {
        const std::string_view rest = line_.substr(at_);
        at_ = line_.size();
        return rest;
    }

private:
    void SkipBlanks() {
        while (at_ < line_.size() && line_[at_] == ' ') ++at_;
    }
    std::string_view line_;
    std::size_t at_ = 0;
};

// A setting command such as E1 or M2: false when the value is out of range.
bool SetChoice(CommandReader &reader, int highest, int &setting) {
    const int value = reader.Number();
    if (value > highest) return false;
    setting = value;
    return true;
}

std::string ThreeDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%03d", value & 0xFF);
    return text;
}

// Sn? and Sn=v.
bool RegisterCommand(CommandReader &reader, HayesProfile &profile, HayesOutcome &outcome) {
    const int n = reader.Number();
    if (n >= kHayesRegisterCount) return false;
    const char operation = reader.Next();
    if (operation == '?') {
        outcome.info.push_back(ThreeDigits(profile.ReadRegister(n)));
        return true;
    }
    if (operation != '=') return false;
    const int value = reader.Number();
    if (value > 255) return false;
    profile.registers[static_cast<std::size_t>(n)] = value;
    return true;
}

bool Identification(CommandReader &reader, HayesOutcome &outcome) {
    std::vector<std::string> text;
    switch (reader.Number()) {
        case 0:
            text = {"PORTKIT HAYES SIMULATOR"};
            break;
        case 1:
            text = {"ROM CHECKSUM 00FF"};
            break;
        case 2:
            break;  // ROM test: just OK
        case 3:
            text = {"portkit simulated modem 1.0"};
            break;
        case 4:
            text = {"Hayes-compatible command set: A D E H I L M O Q S V X Z &F &V",
                    "Result codes: verbose and numeric", "S-registers: S0-S37"};
            break;
        default:
            return false;
    }
    outcome.info.insert(outcome.info.end(), text.begin(), text.end());
    return true;
}

void ShowProfile(const HayesProfile &profile, HayesOutcome &outcome) {
    char line[64];
    std::snprintf(line, sizeof line, "E%d L%d M%d Q%d V%d X%d", profile.echo, profile.volume, profile.speaker,
                  profile.quiet, profile.verbose, profile.extended_results);
    outcome.info.push_back(line);
    std::string registers;
    for (int n = 0; n <= 12; ++n) {
        std::snprintf(line, sizeof line, "S%02d:%03d ", n, profile.S(n));
        registers += line;
    }
    registers.pop_back();
    outcome.info.push_back(registers);
}

// &C, &D, &F, &V and the like; only &F and &V do anything here.
bool AmpersandCommand(CommandReader &reader, HayesProfile &profile, HayesOutcome &outcome) {
    const char command = reader.Next();
    const int value = reader.Number();
    switch (command) {
        case 'F':
            if (value != 0) return false;
            profile = HayesProfile{};
            return true;
        case 'V':
            ShowProfile(profile, outcome);
            return true;
        case 'C':
        case 'D':
        case 'K':
        case 'Q':
        case 'S':
        case 'W':
        case 'Y':
            return value <= 9;
        default:
            return false;
    }
}

// The dial string: T and P choose the method, R asks for answer mode (the
// simulation connects the same way), ';' returns to command mode, and
// punctuation people write in numbers is dropped.
HayesOutcome Dial(std::string_view dial_string, HayesOutcome outcome) {
    outcome.action = HayesOutcome::Action::kDial;
    for (const char raw : dial_string) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
        if (c == ';')
            outcome.return_to_command = true;
        else if (c == 'T' || c == 'P' || c == 'R' || c == ' ' || c == '-' || c == '(' || c == ')')
            continue;
        else if (std::isprint(static_cast<unsigned char>(c)))
            outcome.number += c;
    }
    return outcome;
}

HayesOutcome Error(HayesOutcome outcome) {
    outcome.result = HayesResult::kError;
    outcome.action = HayesOutcome::Action::kNone;
    return outcome;
}

}  // namespace

const char *HayesResultText(HayesResult result) {
    switch (result) {
        case HayesResult::kOk:
            return "OK";
        case HayesResult::kConnect:
            return "CONNECT";
        case HayesResult::kRing:
            return "RING";
        case HayesResult::kNoCarrier:
            return "NO CARRIER";
        case HayesResult::kError:
            return "ERROR";
        case HayesResult::kNoDialtone:
            return "NO DIALTONE";
        case HayesResult::kBusy:
            return "BUSY";
    }
    return "ERROR";
}

std::array<int, kHayesRegisterCount> HayesProfile::DefaultRegisters() {
    std::array<int, kHayesRegisterCount> r{};
    r[2] = 43;   // escape character '+'
    r[3] = 13;   // end of line: CR
    r[4] = 10;   // line feed
    r[5] = 8;    // backspace
    r[6] = 2;    // seconds to wait for dial tone
    r[7] = 50;   // seconds to wait for carrier
    r[8] = 2;    // seconds of pause for ','
    r[9] = 6;    // carrier detect response, 1/10 s
    r[10] = 14;  // carrier loss to hang-up, 1/10 s
    r[11] = 95;  // touch-tone duration, ms
    r[12] = 50;  // escape guard time, 1/50 s
    return r;
}

int HayesProfile::ReadRegister(int n) const {
    if (n == 14) return 0xA0 | echo << 1 | quiet << 2 | verbose << 3;
    return S(n);
}

// Commands run left to right; the first one that fails ends the line with
// ERROR, keeping what the ones before it did, as real modems do.
HayesOutcome RunHayesCommandLine(std::string_view line, HayesProfile &profile) {
    HayesOutcome outcome;
    CommandReader reader(line);
    while (!reader.done()) {
        bool ok = true;
        switch (reader.Next()) {
            case 'A':
                outcome.action = HayesOutcome::Action::kAnswer;
                return outcome;
            case 'D':
                return Dial(reader.Rest(), outcome);
            case 'O':
                if (reader.Number() > 1) return Error(outcome);
                outcome.action = HayesOutcome::Action::kOnline;
                return outcome;
            case 'Z':
                if (reader.Number() > 1) return Error(outcome);
                profile = HayesProfile{};
                outcome.action = HayesOutcome::Action::kHangUp;
                return outcome;  // the rest of the line is ignored
            case 'H': {
                int hook = 0;
                ok = SetChoice(reader, 2, hook);
                if (ok && hook == 0) outcome.action = HayesOutcome::Action::kHangUp;
                break;
            }
            case 'E':
                ok = SetChoice(reader, 1, profile.echo);
                break;
            case 'V':
                ok = SetChoice(reader, 1, profile.verbose);
                break;
            case 'Q':
                ok = SetChoice(reader, 1, profile.quiet);
                break;
            case 'X':
                ok = SetChoice(reader, 4, profile.extended_results);
                break;
            case 'M':
                ok = SetChoice(reader, 3, profile.speaker);
                break;
            case 'L':
                ok = SetChoice(reader, 3, profile.volume);
                break;
            case 'B':
            case 'C':
            case 'F':
            case 'N':
            case 'Y':
                ok = reader.Number() <= 1;
                break;
            case 'P':
            case 'T':
                break;  // default dial method: the simulation dials either way
            case 'S':
                ok = RegisterCommand(reader, profile, outcome);
                break;
            case 'I':
                ok = Identification(reader, outcome);
                break;
            case '&':
                ok = AmpersandCommand(reader, profile, outcome);
                break;
            default:
                ok = false;
                break;
        }
        if (!ok) return Error(outcome);
    }
    return outcome;
}

}  // namespace portkit::test
