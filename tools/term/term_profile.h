// Profiles: `portkit term NAME` takes its options from the section [NAME]
// of the profile file, one key per long option (port=/dev/ttyUSB0,
// baud=9600, ansi=yes); what the command line gives wins.
#ifndef PORTKIT_TOOLS_TERM_TERM_PROFILE_H
#define PORTKIT_TOOLS_TERM_TERM_PROFILE_H

#include <filesystem>
#include <string>

#include "tools/cli/options.h"

namespace portkit::tool {

// $XDG_CONFIG_HOME/portkit/portkit.ini, else $HOME/.config/portkit/portkit.ini,
// else %APPDATA%\portkit\portkit.ini; empty when none of them is set.
std::filesystem::path DefaultProfileFile();

// Whether the word after `portkit term` is a device rather than a profile:
// a path with a '/', a file that exists, or a port number (3, COM4).
bool NamesDevice(const std::string &word);

// Adds the options of [name] in `file` that `options` does not give yet.
// False, with the reason on stderr, when there is no such profile or it
// holds a key that is no option or a flag that is not yes or no.
bool ApplyProfile(Options &options, const std::string &name, const std::filesystem::path &file);

// Prints each profile's name and port; the exit status.
int ListProfiles(const std::filesystem::path &file);

}  // namespace portkit::tool

#endif
