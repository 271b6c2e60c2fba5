// A deterministic stream of what a BBS sends a caller's terminal: menus and
// text in colour, cursor positioning, clears to the end of the line and the
// occasional clear screen.
#ifndef PORTKIT_BENCH_BBS_STREAM_H
#define PORTKIT_BENCH_BBS_STREAM_H

#include <cstddef>
#include <vector>

namespace portkit::bench {

struct BbsStream {
    std::vector<char> bytes;
    std::size_t text_bytes = 0;  // bytes outside escape sequences, line ends included
};

// At least `size` bytes; the same every run.
BbsStream MakeBbsStream(std::size_t size);

}  // namespace portkit::bench

#endif
