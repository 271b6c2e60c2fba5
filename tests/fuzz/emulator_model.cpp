#include "emulator_model.h"

#include <iterator>

#include "portkit/port.h"

namespace portkit::fuzz {
namespace {

constexpr std::size_t kRing = 16;
constexpr unsigned kMostPerLastCharacter = 255;
constexpr int kKeysPerCall = 64;

unsigned char Last(const std::string &text) { return static_cast<unsigned char>(text.back()); }

}  // namespace

int IncomingModel::Define(const std::string &text, int value) {
    if (text.empty() || text.size() > kRing) return PORTKIT_INVALID_PARAMETER;
    if (ending_with_[Last(text)] >= kMostPerLastCharacter) return PORTKIT_BUFFER_FULL;
    commands_.insert(commands_.begin(), {text, value});
    ++ending_with_[Last(text)];
    return PORTKIT_SUCCESS;
}

int IncomingModel::Undefine(const std::string &text) {
    for (auto command = commands_.begin(); command != commands_.end(); ++command) {
        if (command->text != text) continue;
        --ending_with_[Last(text)];
        commands_.erase(command);
        return PORTKIT_SUCCESS;
    }
    return PORTKIT_INVALID_PARAMETER;
}

int IncomingModel::Scan(unsigned char c) {
    recent_ += static_cast<char>(c);
    if (recent_.size() > kRing) recent_.erase(0, recent_.size() - kRing);
    for (const Command &command : commands_) {
        if (recent_.size() >= command.text.size() &&
            recent_.compare(recent_.size() - command.text.size(), command.text.size(), command.text) == 0) {
            return command.value;
        }
    }
    return -1;
}

bool IncomingModel::IsValue(int value) const {
    for (const Command &command : commands_) {
        if (command.value == value) return true;
    }
    return false;
}

const std::string *IncomingModel::TextAt(std::size_t index) const {
    return commands_.empty() ? nullptr : &commands_[index % commands_.size()].text;
}

void KeyboardModel::Define(int key, const char *text) {
    Undefine(key);
    macros_[key] = text != nullptr ? Macro{true, text} : Macro{false, {}};
}

int KeyboardModel::Undefine(int key) {
    auto found = macros_.find(key);
    if (found == macros_.end()) return PORTKIT_INVALID_PARAMETER;
    // A macro being played stops with it.
    if (!playing_.empty() && playing_key_ == key) playing_.clear();
    macros_.erase(found);
    return PORTKIT_SUCCESS;
}

KeyboardModel::Outcome KeyboardModel::Process(const std::deque<int> &keys, bool local_mode) {
    Outcome outcome{-1, {}, 0};
    for (int pass = 0; pass < kKeysPerCall; ++pass) {
        int c;
        if (!playing_.empty()) {
            c = static_cast<unsigned char>(playing_.front());
            playing_.erase(0, 1);
        } else {
            if (local_mode || outcome.keys_taken == keys.size()) return outcome;
            const int key = keys[outcome.keys_taken++];
            if (auto found = macros_.find(key); found != macros_.end()) {
                const Macro &macro = found->second;
                if (!macro.has_text) {
                    outcome.result = key;
                    return outcome;
                }
                if (macro.text.empty()) continue;
                c = static_cast<unsigned char>(macro.text.front());
                playing_ = macro.text.substr(1);
                playing_key_ = key;
            } else {
                if ((key & 0xFF) == 0) {
                    outcome.result = key;
                    return outcome;
                }
                c = key;
            }
        }
        outcome.sent.push_back(c);
    }
    return outcome;
}

const int *KeyboardModel::KeyAt(std::size_t index) const {
    if (macros_.empty()) return nullptr;
    return &std::next(macros_.begin(), static_cast<long>(index % macros_.size()))->first;
}

}  // namespace portkit::fuzz
