// A display for benchmarks that does what a real screen backend does, in
// memory: text into an 80x25 grid of cells with an attribute each, line
// ends, wrapping and scrolling, clears, and cursor moves.
#ifndef PORTKIT_BENCH_GRID_DISPLAY_H
#define PORTKIT_BENCH_GRID_DISPLAY_H

#include <cstdint>

#include "portkit/emulator.h"

namespace portkit::bench {

struct GridDisplay {
    static constexpr int kRows = 25;
    static constexpr int kCols = 80;
    static constexpr std::uint16_t kNormal = 0x07;  // white on black

    struct Cell {
        char c;
        std::uint16_t attribute;
    };

    Cell cells[kRows][kCols];
    int row = 0;
    int col = 0;  // kCols while a wrap is pending: the next character wraps first
    std::uint16_t attribute = kNormal;
    bool wrap = true;
    std::uint64_t characters = 0;  // every character handed to put_char or put_string
};

// Fills the record's display operations with the grid's.
void AttachGridDisplay(EmulatorRecord *record, GridDisplay *grid);

// A sum over the grid's cells, so its contents stay live.
std::uint32_t GridChecksum(const GridDisplay &grid);

}  // namespace portkit::bench

#endif
