// DLE quoting of the characters the quote set marks.
#include <initializer_list>

#include "transfer/bplus/bplus_engine.h"

namespace portkit::transfer {
namespace {

constexpr unsigned char kLowMark = 0x01;
constexpr unsigned char kHighMark = 0x10;

}  // namespace

void SetDefaultQuoteSet(BPlusState &state) {
    for (unsigned char &b : state.quote_set) b = 0;
    for (unsigned char c : {kETX, kENQ, kDLE, std::uint8_t{0x11}, std::uint8_t{0x13}, kNAK}) {
        state.quote_set[c] |= kLowMark;
    }
}

bool IsQuoted(const BPlusState &state, unsigned char c) {
    if (c < 0x20) return state.quote_mode == kQuoteEverything || (state.quote_set[c] & kLowMark) != 0;
    if (c >= 0x80 && c < 0xA0) {
        return state.quote_mode == kQuoteEverything || (state.quote_set[c - 0x80] & kHighMark) != 0;
    }
    return false;
}

int QuoteInto(const BPlusState &state, unsigned char c, unsigned char *out) {
    if (!IsQuoted(state, c)) {
        out[0] = c;
        return 1;
    }
    out[0] = kDLE;
    out[1] = QuoteOf(c);
    return 2;
}

}  // namespace portkit::transfer
