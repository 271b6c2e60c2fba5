// The options of the terminal, shared by `portkit term` and `portkit dial --term`.
#ifndef PORTKIT_TOOLS_TERM_TERM_OPTIONS_H
#define PORTKIT_TOOLS_TERM_TERM_OPTIONS_H

#include <optional>
#include <set>
#include <string>

#include "tools/cli/options.h"
#include "tools/term/term_features.h"
#include "tools/term/term_session.h"

namespace portkit::tool {

inline const std::set<std::string> kTermValuedOptions = [] {
    std::set<std::string> names = {"log", "rows", "cols", "charset"};
    names.insert(kTermFeatureValuedOptions.begin(), kTermFeatureValuedOptions.end());
    return names;
}();
inline const std::set<std::string> kTermFlags = [] {
    std::set<std::string> names = {"ansi", "echo", "no-autozmodem", "bplus", "reconnect", "window"};
    names.insert(kTermFeatureFlags.begin(), kTermFeatureFlags.end());
    return names;
}();

// The settings the options ask for; nothing, with the reason on stderr,
// when an option is unusable (--flow naming no known kind, --rows out of
// range or without --window, --charset neither utf8 nor cp437 or without
// the emulator).
std::optional<TermSettings> TermSettingsFrom(const Options &options);

}  // namespace portkit::tool

#endif
