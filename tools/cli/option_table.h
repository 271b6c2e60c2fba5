// What each command's options are called and what they do: the one list the
// parser's short names, the --help text, the man page and the completion
// are all checked against.
#ifndef PORTKIT_TOOLS_CLI_OPTION_TABLE_H
#define PORTKIT_TOOLS_CLI_OPTION_TABLE_H

#include <cstdio>
#include <span>
#include <string_view>

namespace portkit::tool {

struct OptionHelp {
    std::string_view name;   // the long name, without its dashes
    char short_name;         // 0 when there is none
    std::string_view value;  // what follows it (RATE); empty for a flag
    std::string_view text;   // what it does, and its default
};

// The options of `command`, in the order --help shows them; empty for a
// command that takes none.
std::span<const OptionHelp> OptionTable(std::string_view command);

// The command whose options `command` also accepts, only to say they belong
// there (send and receive take each other's); empty for the others.
std::string_view SiblingCommand(std::string_view command);

// The row of `command` for the long option `name`, or null.
const OptionHelp *FindOption(std::string_view command, std::string_view name);
// The row of `command` for the short option `letter`, or null.
const OptionHelp *FindShortOption(std::string_view command, char letter);

// One line per option, "  -b, --baud RATE   what it does", wrapped to 80
// columns.
void PrintOptionTable(std::FILE *out, std::string_view command);

}  // namespace portkit::tool

#endif
