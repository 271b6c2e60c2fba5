// The subcommands of the portkit tool.
#ifndef PORTKIT_TOOLS_CLI_COMMANDS_H
#define PORTKIT_TOOLS_CLI_COMMANDS_H

#include <span>
#include <string_view>

namespace portkit::tool {

using Arguments = std::span<char *const>;

struct Command {
    std::string_view name;
    std::string_view usage;
    std::string_view summary;
    int (*run)(Arguments arguments);
};

// Exit codes of the tool.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// Ctrl-C ended the command, as the shell reports a program SIGINT ended.
constexpr int kExitInterrupted = 130;

int RunErrors(Arguments arguments);
int RunPorts(Arguments arguments);
int RunDump(Arguments arguments);
int RunSend(Arguments arguments);
int RunReceive(Arguments arguments);
int RunDemo(Arguments arguments);
int RunModem(Arguments arguments);
int RunDial(Arguments arguments);
int RunTerm(Arguments arguments);
int RunBPlus(Arguments arguments);

}  // namespace portkit::tool

#endif
