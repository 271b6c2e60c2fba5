// What the emulator core must do, kept beside it by the emulator fuzzer:
// which incoming command the plain input loop reports (it scans every
// character it reads), what defining and removing commands and macros
// answer, and what the keyboard loop sends and returns.
#ifndef PORTKIT_TESTS_FUZZ_EMULATOR_MODEL_H
#define PORTKIT_TESTS_FUZZ_EMULATOR_MODEL_H

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace portkit::fuzz {

class IncomingModel {
public:
    // The status the core answers; the command is kept on 0.
    int Define(const std::string &text, int value);
    int Undefine(const std::string &text);
    // One character scanned: the value of the newest command the last
    // characters end with, or -1.
    int Scan(unsigned char c);
    bool IsValue(int value) const;
    // The text of the command `index` places from the newest, if any.
    const std::string *TextAt(std::size_t index) const;

private:
    struct Command {
        std::string text;
        int value;
    };
    std::vector<Command> commands_;  // newest first
    std::string recent_;             // at most the ring's 16 characters
    unsigned ending_with_[256] = {};
};

class KeyboardModel {
public:
    struct Outcome {
        int result;
        std::vector<int> sent;
        std::size_t keys_taken;
    };

    // A null text hands the key back to the application.
    void Define(int key, const char *text);
    int Undefine(int key);  // the status the core answers
    // One call of the keyboard loop with `keys` waiting.
    Outcome Process(const std::deque<int> &keys, bool local_mode);
    const int *KeyAt(std::size_t index) const;

private:
    struct Macro {
        bool has_text;
        std::string text;
    };
    std::map<int, Macro> macros_;
    std::string playing_;  // what is left of the macro being played
    int playing_key_ = 0;
};

}  // namespace portkit::fuzz

#endif
