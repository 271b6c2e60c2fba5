#include "tools/term/term_prompt.h"

namespace portkit::tool {
namespace {

constexpr int kPromptWaitMs = 20;
// How long after Esc the rest of a key's sequence may come; a lone Esc
// cancels.
constexpr int kSequenceWaitMs = 60;
constexpr int kCtrlC = 0x03, kCtrlU = 0x15, kEscape = 0x1B, kBackspace = 0x08, kDelete = 0x7F;

// A key typed within `milliseconds`, or -1.
int KeyWithin(TermDisplay &display, int milliseconds) {
    for (int waited = 0;; waited += kPromptWaitMs / 4) {
        const int key = display.NextKey();
        if (key != -1 || waited >= milliseconds || display.Closed()) return key;
        display.WaitForActivity(kPromptWaitMs / 4);
    }
}

// After Esc: true when a key's sequence followed (CSI or SS3, or Alt with a
// key), which is then taken whole; false for Esc alone.
bool TakeKeySequence(TermDisplay &display) {
    const int next = KeyWithin(display, kSequenceWaitMs);
    if (next == -1) return false;
    if (next == '[') {
        // Parameters and intermediates, up to the final byte.
        for (int c; (c = KeyWithin(display, kSequenceWaitMs)) != -1;) {
            if (c >= 0x40 && c <= 0x7E) break;
        }
    } else if (next == 'O') {
        KeyWithin(display, kSequenceWaitMs);
    }
    return true;
}

void Erase(TermDisplay &display, std::string &text, std::size_t count) {
    for (; count > 0 && !text.empty(); --count) {
        text.pop_back();
        display.Show("\b \b");
    }
}

}  // namespace

int WaitForTypedKey(TermDisplay &display) {
    for (;;) {
        const int key = display.NextKey();
        if (key != -1) return key;
        if (display.Closed()) return kEscape;
        display.WaitForActivity(kPromptWaitMs);
    }
}

FieldAnswer EditField(TermDisplay &display, const std::string &label, const std::string &initial, int command_key) {
    std::string text = initial;
    display.Show(label + text);
    for (;;) {
        const int key = WaitForTypedKey(display);
        if (key == '\r' || key == '\n') break;
        if (key == command_key) {
            display.Show("\n");
            return {FieldEnd::kCommandKey, text};
        }
        if (key == kEscape && !display.Closed() && TakeKeySequence(display)) continue;
        if (key == kEscape || key == kCtrlC) {
            display.Show(" (cancelled)\n");
            return {FieldEnd::kCancelled, text};
        }
        if (key == kBackspace || key == kDelete) {
            Erase(display, text, 1);
        } else if (key == kCtrlU) {
            Erase(display, text, text.size());
        } else if (key >= ' ') {
            text.push_back(static_cast<char>(key));
            display.Show(std::string(1, static_cast<char>(key)));
        }
        // Tab and the other control keys do nothing here.
    }
    display.Show("\n");
    return {FieldEnd::kAccepted, text};
}

std::optional<std::string> AskLine(TermDisplay &display, const std::string &prompt) {
    const FieldAnswer answer = EditField(display, prompt, "", -1);
    if (answer.end != FieldEnd::kAccepted) return std::nullopt;
    return answer.text;
}

}  // namespace portkit::tool
