#include "platform/posix/console/console_key_decoder.h"

#include <algorithm>

#include "platform/posix/console/win32_console.h"
#include "platform/virtual_keys.h"

namespace portkit::posix {

namespace {

constexpr unsigned char kEscape = 0x1B;

bool IsFinalByte(unsigned char byte) { return byte >= 0x40 && byte <= 0x7E; }
bool IsIntermediateByte(unsigned char byte) { return byte >= 0x20 && byte <= 0x2F; }

}  // namespace

void KeyDecoder::Feed(const unsigned char *bytes, std::size_t count, std::uint32_t now_ms,
                      std::vector<DecodedKey> &keys) {
    now_ms_ = now_ms;
    // Checked before the new bytes: what comes after the wait is not part of
    // the sequence.
    if (WaitingForMore() && now_ms - escape_ms_ >= kEscapeWaitMs) TimeOut(keys);
    for (std::size_t i = 0; i < count; ++i) Step(bytes[i], keys);
}

void KeyDecoder::Step(unsigned char byte, std::vector<DecodedKey> &keys) {
    switch (state_) {
        case State::kGround:
            if (byte == kEscape)
                BeginEscape();
            else
                Emit(KeyOfByte(byte), keys);
            return;
        case State::kEscape:
            StepEscape(byte, keys);
            return;
        case State::kCsi:
        case State::kSs3:
            StepSequence(byte, keys);
            return;
        case State::kLinuxFunction:
            StepLinuxFunction(byte, keys);
            return;
    }
}

void KeyDecoder::StepEscape(unsigned char byte, std::vector<DecodedKey> &keys) {
    switch (byte) {
        case '[':
            BeginSequence(State::kCsi);
            return;
        case 'O':
            BeginSequence(State::kSs3);
            return;
        case kEscape:
            if (!alt_) {
                // ESC ESC: Alt with Escape, or Alt with the sequence that follows
                // (rxvt's way of sending Alt+Up).
                alt_ = true;
                escape_ms_ = now_ms_;
                return;
            }
            Emit(KeyOfByte(kEscape), keys);  // Alt+Escape, and a new ESC begins
            BeginEscape();
            return;
        default:
            if (alt_) {
                alt_ = false;
                Emit(KeyOfByte(kEscape), keys);  // ESC ESC x: Escape, then Alt+x
            }
            alt_ = true;
            Emit(KeyOfByte(byte), keys);
            return;
    }
}

void KeyDecoder::StepSequence(unsigned char byte, std::vector<DecodedKey> &keys) {
    if (CollectParameter(byte)) return;
    if (byte == '[' && state_ == State::kCsi && !collected_) {
        state_ = State::kLinuxFunction;
        return;
    }
    // rxvt ends Shift with an editing or function key in '$'.
    if (IsFinalByte(byte) || (byte == '$' && state_ == State::kCsi)) {
        if (state_ == State::kCsi)
            DispatchCsi(byte, keys);
        else
            DispatchSs3(byte, keys);
        state_ = State::kGround;  // also when no key came of it
        alt_ = false;
        return;
    }
    if (IsIntermediateByte(byte)) {
        collected_ = unsupported_ = true;
        return;
    }
    // A control or other byte cuts the sequence off: it is dropped, and the
    // byte is read afresh.
    state_ = State::kGround;
    alt_ = false;
    Step(byte, keys);
}

void KeyDecoder::StepLinuxFunction(unsigned char byte, std::vector<DecodedKey> &keys) {
    if (byte >= 'A' && byte <= 'E') {
        Emit({static_cast<std::uint16_t>(vk::kF1 + (byte - 'A')), 0, 0}, keys);
        return;
    }
    state_ = State::kGround;
    alt_ = false;
    if (!IsFinalByte(byte)) Step(byte, keys);
}

bool KeyDecoder::CollectParameter(unsigned char byte) {
    if (byte >= '0' && byte <= '9') {
        if (parameter_index_ < kMaxParameters) {
            int &parameter = parameters_[parameter_index_];
            parameter = std::min(parameter * 10 + (byte - '0'), kMaxParameterValue);
        }
    } else if (byte == ';') {
        parameter_index_ = std::min(parameter_index_ + 1, kMaxParameters);
    } else if (byte >= 0x3A && byte <= 0x3F) {
        unsupported_ = true;  // ':' sub-parameters; '<' '=' '>' '?' private markers
    } else {
        return false;
    }
    collected_ = true;
    return true;
}

void KeyDecoder::DispatchCsi(unsigned char final, std::vector<DecodedKey> &keys) {
    if (unsupported_) return;
    DecodedKey key{};
    std::uint32_t modifiers = 0;
    if (final == '~' || final == '^' || final == '$' || final == '@') {
        if (!KeyOfNumber(Parameter(0, 0), &key)) return;
        modifiers = final == '~' ? ModifierState(Parameter(1, 1)) : RxvtModifierState(final);
    } else if (final >= 'a' && final <= 'd') {
        KeyOfFinal(static_cast<unsigned char>(final - 'a' + 'A'), &key);  // rxvt: Shift with an arrow
        modifiers = win32_imitation::SHIFT_PRESSED;
    } else {
        if (!KeyOfFinal(final, &key)) return;
        modifiers = ModifierState(Parameter(1, 1));
    }
    key.control_state |= modifiers;
    Emit(key, keys);
}

void KeyDecoder::DispatchSs3(unsigned char final, std::vector<DecodedKey> &keys) {
    if (unsupported_) return;
    DecodedKey key{};
    // Old xterms put the modifier first: ESC O 5 P.
    std::uint32_t modifiers = ModifierState(parameter_index_ > 0 ? Parameter(1, 1) : Parameter(0, 1));
    if (final >= 'a' && final <= 'd') {
        KeyOfFinal(static_cast<unsigned char>(final - 'a' + 'A'), &key);  // rxvt: Ctrl with an arrow
        modifiers |= win32_imitation::LEFT_CTRL_PRESSED;
    } else if (!KeyOfKeypad(final, &key) && (final == 'Z' || !KeyOfFinal(final, &key))) {
        return;
    }
    key.control_state |= modifiers;
    Emit(key, keys);
}

void KeyDecoder::BeginEscape() {
    state_ = State::kEscape;
    alt_ = false;
    escape_ms_ = now_ms_;
}

void KeyDecoder::BeginSequence(State state) {
    state_ = state;
    std::fill(std::begin(parameters_), std::end(parameters_), 0);
    parameter_index_ = 0;
    collected_ = false;
    unsupported_ = false;
}

bool KeyDecoder::WaitingForMore() const {
    return state_ == State::kEscape || ((state_ == State::kCsi || state_ == State::kSs3) && !collected_);
}

void KeyDecoder::TimeOut(std::vector<DecodedKey> &keys) {
    switch (state_) {
        case State::kEscape:
            Emit(KeyOfByte(kEscape), keys);  // Alt+Escape after ESC ESC
            return;
        case State::kCsi:
        case State::kSs3:
            // ESC [ or ESC O and nothing more: Alt with '[' or 'O'.
            alt_ = true;
            Emit(KeyOfByte(state_ == State::kCsi ? '[' : 'O'), keys);
            return;
        default:
            return;
    }
}

void KeyDecoder::Emit(DecodedKey key, std::vector<DecodedKey> &keys) {
    if (alt_) key.control_state |= win32_imitation::LEFT_ALT_PRESSED;
    keys.push_back(key);
    state_ = State::kGround;
    alt_ = false;
}

int KeyDecoder::Parameter(int index, int fallback) const {
    if (index > parameter_index_ || index >= kMaxParameters || parameters_[index] == 0) return fallback;
    return parameters_[index];
}

}  // namespace portkit::posix
