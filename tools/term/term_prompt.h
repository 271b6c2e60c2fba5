// Questions the terminal asks on its own screen: a line typed, or a value
// shown and edited in place. Keys with escape sequences (arrows, function
// keys) are taken and dropped, so none reaches the far end.
#ifndef PORTKIT_TOOLS_TERM_TERM_PROMPT_H
#define PORTKIT_TOOLS_TERM_TERM_PROMPT_H

#include <optional>
#include <string>

#include "tools/term/term_display.h"

namespace portkit::tool {

// The next typed key; Esc when the keyboard goes away meanwhile, so
// whatever was asked is cancelled.
int WaitForTypedKey(TermDisplay &display);

enum class FieldEnd { kAccepted, kCancelled, kCommandKey };

struct FieldAnswer {
    FieldEnd end;
    std::string text;
};

// Shows `label` and `initial`, which the user edits: typed characters,
// Backspace, Ctrl-U to clear; Enter accepts, Esc or Ctrl-C cancels, and
// `command_key` (when not -1) gives up the field for a command.
FieldAnswer EditField(TermDisplay &display, const std::string &label, const std::string &initial, int command_key);

// A line typed after `prompt`; nothing when the user gives up (Esc, Ctrl-C).
std::optional<std::string> AskLine(TermDisplay &display, const std::string &prompt);

}  // namespace portkit::tool

#endif
