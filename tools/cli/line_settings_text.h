// What the operating system itself has set on an open port, in words, for
// portkit dump: the library's dump shows its own copy of the settings.
#ifndef PORTKIT_TOOLS_CLI_LINE_SETTINGS_TEXT_H
#define PORTKIT_TOOLS_CLI_LINE_SETTINGS_TEXT_H

#include <cstdio>
#include <string>

namespace portkit::tool {

// A "Line (as the system has it):" section for the terminal device `device`
// (anything --port takes) that this process has open; nothing where there is
// no such device (a simulated line) or on Windows.
void PrintSystemLineSettings(std::FILE *out, const std::string &device);

}  // namespace portkit::tool

#endif
