#include "tools/cli/protocol_flags.h"

#include <climits>
#include <cstdio>

namespace portkit::tool {
namespace {

enum Sides : unsigned { kSendSide = 1, kReceiveSide = 2, kBothSides = 3 };

enum class FlagKind {
    kPlain,
    kNumber,      // the code is followed by the flag's value
    kManagement,  // what the receiver does with a file it has: at most one
};

struct FlagRule {
    const char *name;
    int code;
    unsigned families;
    unsigned sides;
    FlagKind kind;
};

constexpr unsigned kNamedFamilies = kYmodemFamily | kZmodemFamily | kKermitFamily;

// In the order the codes go out.
constexpr FlagRule kRules[] = {
    {"keep-paths", PORTKIT_XFER_KEEP_PATHS, kNamedFamilies, kBothSides, FlagKind::kPlain},
    {"descend", PORTKIT_XFER_DESCEND, kZmodemFamily | kKermitFamily, kSendSide, FlagKind::kPlain},
    {"eighth-bit", PORTKIT_XFER_KERMIT_EIGHTH_BIT, kKermitFamily, kSendSide, FlagKind::kPlain},
    {"seven-bit", PORTKIT_XFER_KERMIT_SEVEN_BIT, kKermitFamily, kBothSides, FlagKind::kPlain},
    {"no-repeat", PORTKIT_XFER_KERMIT_NO_REPEAT, kKermitFamily, kBothSides, FlagKind::kPlain},
    // Turns off what the tool asks Kermit for unless told: see below.
    {"kermit-classic", 0, kKermitFamily, kBothSides, FlagKind::kPlain},
    // Receiving, --resume is for every protocol: ReceiveCodes reads it.
    {"resume", PORTKIT_XFER_ZMODEM_RESUME, kZmodemFamily, kSendSide, FlagKind::kPlain},
    {"half-duplex", PORTKIT_XFER_ZMODEM_HALF_DUPLEX, kZmodemFamily, kSendSide, FlagKind::kPlain},
    {"block-during-write", PORTKIT_XFER_ZMODEM_BLOCK_DURING_WRITE, kZmodemFamily, kReceiveSide, FlagKind::kPlain},
    {"window", PORTKIT_XFER_ZMODEM_WINDOW, kZmodemFamily, kSendSide, FlagKind::kNumber},
    {"retries", PORTKIT_XFER_ZMODEM_RETRY_LIMIT, kZmodemFamily, kBothSides, FlagKind::kNumber},
    {"newer-or-longer", PORTKIT_XFER_ZMODEM_NEWER_OR_LONGER, kZmodemFamily, kSendSide, FlagKind::kManagement},
    {"append", PORTKIT_XFER_ZMODEM_APPEND, kZmodemFamily, kSendSide, FlagKind::kManagement},
    {"replace", PORTKIT_XFER_ZMODEM_REPLACE, kZmodemFamily, kSendSide, FlagKind::kManagement},
    {"newer", PORTKIT_XFER_ZMODEM_NEWER, kZmodemFamily, kSendSide, FlagKind::kManagement},
    {"different", PORTKIT_XFER_ZMODEM_DIFFERENT, kZmodemFamily, kSendSide, FlagKind::kManagement},
    {"skip-existing", PORTKIT_XFER_ZMODEM_PROTECT, kZmodemFamily, kSendSide, FlagKind::kManagement},
    {"protect", PORTKIT_XFER_ZMODEM_PROTECT, kZmodemFamily, kSendSide, FlagKind::kManagement},
    {"timeout", PORTKIT_XFER_ASCII_TIMEOUT, kAsciiFamily, kReceiveSide, FlagKind::kNumber},
    // ASCII values rather than option codes: AsciiFlags reads them.
    {"strip-lf", 0, kAsciiFamily, kBothSides, FlagKind::kPlain},
    {"line-delay", 0, kAsciiFamily, kSendSide, FlagKind::kNumber},
    {"char-delay", 0, kAsciiFamily, kSendSide, FlagKind::kNumber},
};

const char *CommandName(Direction direction) { return direction == Direction::kSend ? "send" : "receive"; }

// Why the rule does not apply here, or "" when it does.
std::string Refusal(const FlagRule &rule, Direction direction, const Protocol &protocol) {
    const unsigned side = direction == Direction::kSend ? kSendSide : kReceiveSide;
    const std::string flag = std::string("--") + rule.name;
    if ((rule.sides & side) == 0) {
        return flag + (direction == Direction::kSend ? " is for receiving only" : " is for sending only");
    }
    if ((rule.families & protocol.family) == 0) {
        return flag + " is not for " + std::string(protocol.name) + "; it is for " + ProtocolNames(rule.families);
    }
    return "";
}

// The flag's value if it is a positive int; it goes into a list that 0 ends.
std::optional<int> PositiveValue(const char *command, const FlagRule &rule, const Options &options) {
    const auto value = options.GetNumber(rule.name, 0);
    if (!value) return std::nullopt;
    if (*value <= 0 || *value > INT_MAX) {
        std::fprintf(stderr, "portkit %s: --%s wants a positive number\n", command, rule.name);
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

}  // namespace

std::set<std::string> ProtocolFlagNames() {
    std::set<std::string> names;
    for (const FlagRule &rule : kRules) {
        if (rule.kind != FlagKind::kNumber) names.insert(rule.name);
    }
    return names;
}

std::set<std::string> ProtocolValueNames() {
    std::set<std::string> names;
    for (const FlagRule &rule : kRules) {
        if (rule.kind == FlagKind::kNumber) names.insert(rule.name);
    }
    return names;
}

std::optional<std::vector<int>> ProtocolFlags(Direction direction, const Protocol &protocol, const Options &options) {
    const char *command = CommandName(direction);
    std::vector<int> elements;
    const FlagRule *management = nullptr;
    for (const FlagRule &rule : kRules) {
        if (!options.Has(rule.name)) continue;
        if (direction == Direction::kReceive && std::string_view(rule.name) == "resume") continue;
        if (const std::string refusal = Refusal(rule, direction, protocol); !refusal.empty()) {
            std::fprintf(stderr, "portkit %s: %s\n", command, refusal.c_str());
            return std::nullopt;
        }
        if (rule.kind == FlagKind::kManagement) {
            if (management != nullptr) {
                std::fprintf(stderr, "portkit %s: --%s and --%s are alternatives; give one\n", command,
                             management->name, rule.name);
                return std::nullopt;
            }
            management = &rule;
        }
        const auto value = rule.kind == FlagKind::kNumber ? PositiveValue(command, rule, options) : 0;
        if (!value) return std::nullopt;
        if (rule.code == 0) continue;
        elements.push_back(rule.code);
        if (rule.kind == FlagKind::kNumber) elements.push_back(*value);
    }
    // ZMODEM streams as sz does unless a window is asked for: a window costs
    // a round trip per window, which on a long link (SSH, a modem) is most of
    // the time a transfer takes.
    const bool windowed = options.Has("window") || options.Has("half-duplex");
    if (direction == Direction::kSend && (protocol.family & kZmodemFamily) != 0 && !windowed) {
        elements.push_back(PORTKIT_XFER_ZMODEM_STREAM);
    }
    // Long packets and windows only when the peer offers them too, so
    // asking costs a classic peer nothing.
    if (protocol.family == kKermitFamily && !options.Has("kermit-classic")) {
        elements.push_back(PORTKIT_XFER_KERMIT_LONG_PACKETS_AND_WINDOWS);
    }
    return elements;
}

AsciiSettings AsciiFlags(const Options &options) {
    AsciiSettings ascii;
    ascii.strip_linefeeds = options.Has("strip-lf");
    ascii.line_delay_ms = static_cast<int>(options.GetNumber("line-delay", 0).value_or(0));
    ascii.char_delay_ms = static_cast<int>(options.GetNumber("char-delay", 0).value_or(0));
    return ascii;
}

}  // namespace portkit::tool
