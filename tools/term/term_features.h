// The options of `portkit term` for everyday use: byte maps, the hex view
// and timestamps, the command key and the pacing of typed bytes.
#ifndef PORTKIT_TOOLS_TERM_TERM_FEATURES_H
#define PORTKIT_TOOLS_TERM_TERM_FEATURES_H

#include <optional>
#include <set>
#include <string>

#include "tools/cli/options.h"
#include "tools/term/line_choice.h"

namespace portkit::tool {

inline const std::set<std::string> kTermFeatureValuedOptions = {"imap", "omap", "escape", "output-delay", "line-delay"};
inline const std::set<std::string> kTermFeatureFlags = {"hex", "timestamps", "log-append"};

constexpr unsigned char kDefaultCommandKey = 0x14;  // Ctrl-T

struct TermFeatures {
    unsigned imap = 0;  // ByteMap bits for received bytes, before the screen
    unsigned omap = 0;  // and for typed bytes, before the far end
    bool hex = false;
    bool timestamps = false;
    unsigned char command_key = kDefaultCommandKey;
    int output_delay_ms = 0;
    int line_delay_ms = 0;
    bool log_append = false;
};

// The features the options ask for; nothing, with the reason on stderr,
// when one is unusable. `emulator`: the ANSI emulator draws, where only
// --escape applies.
std::optional<TermFeatures> TermFeaturesFrom(const Options &options, bool emulator);

// The line settings --baud, --parity, --data, --stop and --flow ask for
// (already checked by LineNumbersUsable).
LineChoice LineChoiceFrom(const Options &options);

// "Ctrl-T" for 0x14.
std::string CommandKeyName(unsigned char key);

}  // namespace portkit::tool

#endif
