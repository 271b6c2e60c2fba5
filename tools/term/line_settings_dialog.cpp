#include "tools/term/line_settings_dialog.h"

#include <cctype>
#include <cstdlib>
#include <functional>

#include "tools/cli/line_settings_text.h"
#include "tools/term/term_prompt.h"

namespace portkit::tool {
namespace {

// Reads a field's text into the choice; false when it says nothing usable.
using FieldReader = std::function<bool(const std::string &, LineChoice &)>;

struct Field {
    const char *label;
    const char *hint;  // what the field takes, shown after a wrong answer
    std::function<std::string(const LineChoice &)> shown;
    FieldReader read;
};

bool ReadNumber(const std::string &text, long &value) {
    char *end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0';
}

// Any number: the port says which it takes.
FieldReader ReadSmallNumber(int LineChoice::*member) {
    return [member](const std::string &text, LineChoice &c) {
        long value = 0;
        if (!ReadNumber(text, value) || value < 0 || value > 99) return false;
        c.*member = static_cast<int>(value);
        return true;
    };
}

const Field kFields[] = {
    {"Speed", "a number of bits per second", [](const LineChoice &c) { return std::to_string(c.baud); },
     [](const std::string &text, LineChoice &c) { return ReadNumber(text, c.baud) && c.baud > 0; }},
    {"Parity", "N, O, E, M or S", [](const LineChoice &c) { return std::string(1, c.parity); },
     [](const std::string &text, LineChoice &c) {
         if (text.size() != 1) return false;
         c.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
         return std::string("NOEMS").find(c.parity) != std::string::npos;
     }},
    {"Data bits", "a number, 5 to 8", [](const LineChoice &c) { return std::to_string(c.data); },
     ReadSmallNumber(&LineChoice::data)},
    {"Stop bits", "1 or 2", [](const LineChoice &c) { return std::to_string(c.stop); },
     ReadSmallNumber(&LineChoice::stop)},
    {"Flow control", "none, rtscts or xonxoff", [](const LineChoice &c) { return c.flow; },
     [](const std::string &text, LineChoice &c) {
         c.flow = text;
         return text == "none" || text == "rtscts" || text == "xonxoff";
     }},
};

int ApplyFlow(PortStructure *port, const std::string &flow) {
    const int rtscts = PWUseRtsCts(port, flow == "rtscts" ? 1 : 0);
    if (rtscts < 0) return rtscts;
    return PWUseXonXoff(port, flow == "xonxoff" ? 1 : 0);
}

}  // namespace

int ApplyLine(PortStructure *port, const LineChoice &line, const LineChoice &before) {
    PWClearError(port);  // the status is sticky: a stale failure is no answer
    port->system_error = 0;
    const char parity[2] = {line.parity, '\0'};
    const int result = PWPortSet(port, line.baud, parity, line.data, line.stop);
    if (result < 0) return result;
    // "none" also drops RTS, which the port raised on opening: flow is
    // touched only when it changes.
    return line.flow == before.flow ? 0 : ApplyFlow(port, line.flow);
}

CommandOutcome ChangeLineSettings(TermState &state) {
    TermDisplay &display = *state.display;
    display.Show("Line settings (Enter keeps a value, Esc cancels):\n");
    LineChoice next = state.line;
    for (const Field &field : kFields) {
        for (;;) {
            const FieldAnswer answer = EditField(display, std::string("  ") + field.label + ": ", field.shown(next),
                                                 state.settings->features.command_key);
            if (answer.end == FieldEnd::kCommandKey) return RunCommandKey(state);
            if (answer.end == FieldEnd::kCancelled) {
                display.Show("[line settings unchanged: " + state.line.Text() + "]\n");
                return CommandOutcome::kCarryOn;
            }
            LineChoice tried = next;
            if (field.read(answer.text, tried)) {
                next = tried;
                break;
            }
            display.Show(std::string("  ") + field.label + " is " + field.hint + "\n");
        }
    }
    const int result = ApplyLine(state.port, next, state.line);
    if (result < 0) {
        const std::string reason = LibraryReason(state.port, result);
        // Back to what was in force; the refusal may have left part of it changed.
        ApplyLine(state.port, state.line, next);
        PWClearError(state.port);
        display.Show("[the port refused " + next.Text() + ": " + reason + "; still " + state.line.Text() + "]\n");
        return CommandOutcome::kCarryOn;
    }
    state.line = next;
    display.Show("[" + state.settings->device + " now at " + state.line.Text() + "]\n");
    // A device may take less than it accepts (a pty stays at 8 bits without
    // parity): what the system now has is shown beside it.
    PrintSystemLineSettings(display.ProgressStream(), state.settings->device);
    return CommandOutcome::kCarryOn;
}

}  // namespace portkit::tool
