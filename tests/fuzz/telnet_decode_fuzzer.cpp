// The Telnet decoder on whatever a server might send, read in pieces: the
// first byte says how many of the next bytes give the pieces' sizes, taken
// in turn. Each piece sits in a buffer of its own size, so a read past it
// shows. The data kept never outgrows a piece, the answers stay within
// their bound, and the pieces make no difference: the same stream decoded
// in one read gives the same data, answers and reports.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "drivers/net/telnet_codec.h"

namespace {

using portkit::net::ComPortReports;
using portkit::net::TelnetDecoder;

constexpr std::size_t kMaxSizes = 8;
constexpr std::size_t kAnswerBound = 4096;

void Check(bool condition, const char *what) {
    if (condition) return;
    std::fprintf(stderr, "telnet decoder: %s\n", what);
    std::abort();
}

bool SameReports(const ComPortReports &a, const ComPortReports &b) {
    return a.com_port_agreed == b.com_port_agreed && a.baud_rate == b.baud_rate && a.data_size == b.data_size &&
           a.parity == b.parity && a.stop_size == b.stop_size && a.control == b.control &&
           a.modem_state == b.modem_state && a.line_state == b.line_state && a.line_state_seen == b.line_state_seen &&
           a.suspended == b.suspended && a.malformed == b.malformed;
}

std::string DecodeAll(TelnetDecoder &decoder, const std::uint8_t *stream, std::size_t size) {
    std::string copy(reinterpret_cast<const char *>(stream), size);
    const std::size_t kept = decoder.Decode(reinterpret_cast<std::uint8_t *>(copy.data()), size);
    Check(kept <= size, "kept more than it was given");
    copy.resize(kept);
    return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t size_count = std::min<std::size_t>(data[0] % (kMaxSizes + 1), size - 1);
    const std::uint8_t *sizes = data + 1;
    const std::uint8_t *stream = sizes + size_count;
    const std::size_t stream_size = size - 1 - size_count;

    TelnetDecoder pieces;
    std::string kept;
    std::size_t next = 0;
    for (std::size_t piece = 0; next < stream_size; ++piece) {
        const std::size_t wanted = size_count == 0 ? stream_size : 1 + sizes[piece % size_count];
        const std::size_t length = std::min(wanted, stream_size - next);
        const auto buffer = std::make_unique<std::uint8_t[]>(length);
        std::memcpy(buffer.get(), stream + next, length);
        const std::size_t decoded = pieces.Decode(buffer.get(), length);
        Check(decoded <= length, "kept more than it was given");
        Check(pieces.Answers().size() <= kAnswerBound, "answers grew past their bound");
        kept.append(reinterpret_cast<const char *>(buffer.get()), decoded);
        next += length;
    }

    TelnetDecoder whole;
    Check(DecodeAll(whole, stream, stream_size) == kept, "data differs with the reads' sizes");
    Check(whole.Answers() == pieces.Answers(), "answers differ with the reads' sizes");
    Check(SameReports(whole.Reports(), pieces.Reports()), "reports differ with the reads' sizes");
    return 0;
}
