// Turns the bytes a terminal sends for keys into console key presses.
//
// Bytes come in as they were read, with the time they were read; a sequence
// may be split over any number of reads. ESC before a key (a byte or a whole
// sequence) is Alt with that key. An ESC that nothing follows is the Escape
// key, once it has waited kEscapeWaitMs: that is decided on a later call,
// from the clock value it brings, never by waiting. Sequences of no known
// key are dropped whole.
#ifndef PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_KEY_DECODER_H
#define PORTKIT_PLATFORM_POSIX_CONSOLE_CONSOLE_KEY_DECODER_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/posix/console/console_key_table.h"

namespace portkit::posix {

class KeyDecoder {
public:
    static constexpr std::uint32_t kEscapeWaitMs = 50;

    // Decodes `bytes`, read at `now_ms`, appending the keys they complete.
    void Feed(const unsigned char *bytes, std::size_t count, std::uint32_t now_ms, std::vector<DecodedKey> &keys);

    // Lets a lone ESC become the Escape key once its time is up.
    void Poll(std::uint32_t now_ms, std::vector<DecodedKey> &keys) { Feed(nullptr, 0, now_ms, keys); }

private:
    enum class State {
        kGround,         // waits for a key or an ESC
        kEscape,         // ESC came: waits for '[', 'O', or the key Alt was held with
        kCsi,            // ESC [ came: waits for parameters and a final byte
        kSs3,            // ESC O came: waits for an optional modifier and a final byte
        kLinuxFunction,  // ESC [ [ came: waits for A to E (F1 to F5)
    };
    static constexpr int kMaxParameters = 4;
    static constexpr int kMaxParameterValue = 9999;

    void Step(unsigned char byte, std::vector<DecodedKey> &keys);
    void StepEscape(unsigned char byte, std::vector<DecodedKey> &keys);
    void StepSequence(unsigned char byte, std::vector<DecodedKey> &keys);
    void StepLinuxFunction(unsigned char byte, std::vector<DecodedKey> &keys);
    bool CollectParameter(unsigned char byte);
    void DispatchCsi(unsigned char final, std::vector<DecodedKey> &keys);
    void DispatchSs3(unsigned char final, std::vector<DecodedKey> &keys);

    void BeginEscape();
    void BeginSequence(State state);
    bool WaitingForMore() const;
    void TimeOut(std::vector<DecodedKey> &keys);
    void Emit(DecodedKey key, std::vector<DecodedKey> &keys);
    int Parameter(int index, int fallback) const;

    State state_ = State::kGround;
    bool alt_ = false;  // an ESC came before the key being decoded
    std::uint32_t now_ms_ = 0;
    std::uint32_t escape_ms_ = 0;  // when the ESC that began the sequence came
    int parameters_[kMaxParameters] = {};
    int parameter_index_ = 0;
    bool collected_ = false;    // any byte after ESC [ or ESC O
    bool unsupported_ = false;  // a private marker, sub-parameter or intermediate: no key
};

}  // namespace portkit::posix

#endif
