// ANSI emulator throughput on a 24 MB stream of BBS-style output, against
// libvterm's screen fed the same bytes in the same 256-byte pieces, side by
// side in the same run:
//   memory:  our emulator reading from memory through a port's ReadBuffer
//            slot into an in-memory 80x25 grid
//   extended: the same in the emulator's extended mode (a screen model
//            drawn onto the grid once per read)
//   console: our emulator through the console backend onto a pty whose
//            master a thread drains (its ratio is for scale; the pty and
//            the terminal's own VT output are part of what it times)
#include <vterm.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bbs_stream.h"
#include "console_pty_run.h"
#include "grid_display.h"
#include "memory_port.h"

namespace portkit::bench {
namespace {

constexpr std::size_t kStreamSize = 24u << 20;
constexpr std::size_t kChunk = 256;  // what the emulator reads per call
constexpr int kRounds = 5;           // best of, to shed scheduling noise

// Seconds for our emulator to take the whole stream into a grid.
double RunOurs(const BbsStream &stream, bool extended, std::uint32_t *sink) {
    MemoryPort source(stream.bytes);
    auto grid = std::make_unique<GridDisplay>();
    EmulatorRecord *record =
        extended ? CreateAnsiEmulatorExtended(source.port(), ANSI_EXTENDED_CP437) : CreateAnsiEmulator(source.port());
    AttachGridDisplay(record, grid.get());
    const double start = Seconds();
    while (!source.Drained()) record->process_input(record);
    const double elapsed = Seconds() - start;
    record->destroy(record);
    // The extended mode draws what changed, not what came.
    if (!extended && grid->characters != stream.text_bytes) {
        std::fprintf(stderr, "emulator drew %llu characters of %zu\n",
                     static_cast<unsigned long long>(grid->characters), stream.text_bytes);
        std::exit(1);
    }
    *sink ^= GridChecksum(*grid);
    return elapsed;
}

// Seconds for libvterm's screen to take the whole stream.
double RunLibvterm(const BbsStream &stream, std::uint32_t *sink) {
    VTerm *vt = vterm_new(GridDisplay::kRows, GridDisplay::kCols);
    vterm_set_utf8(vt, 0);
    VTermScreen *screen = vterm_obtain_screen(vt);
    vterm_screen_reset(screen, 1);
    const char *data = stream.bytes.data();
    const std::size_t size = stream.bytes.size();
    const double start = Seconds();
    for (std::size_t at = 0; at < size; at += kChunk) vterm_input_write(vt, data + at, std::min(kChunk, size - at));
    const double elapsed = Seconds() - start;
    VTermScreenCell cell;
    vterm_screen_get_cell(screen, VTermPos{0, 0}, &cell);
    *sink ^= cell.chars[0];
    vterm_free(vt);
    return elapsed;
}

// The console line has no goal: it times the pty and the VT output as well.
void PrintRatio(const char *label, double ours, double libvterm, double goal) {
    const double ratio = ours / libvterm;
    std::printf("%-17s ours %8.1f MB/s   libvterm %8.1f MB/s   ratio %.2fx", label, ours, libvterm, ratio);
    if (goal > 0) std::printf("   goal >= %.1fx  %s", goal, ratio >= goal ? "met" : "NOT MET");
    std::printf("\n");
}

}  // namespace
}  // namespace portkit::bench

int main() {
    using namespace portkit::bench;
    const BbsStream stream = MakeBbsStream(kStreamSize);
    const double megabytes = static_cast<double>(stream.bytes.size()) / 1e6;

    ConsoleOnPty terminal;
    std::uint32_t sink = 0;
    double ours = 1e9, extended = 1e9, libvterm = 1e9, console = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        ours = std::min(ours, RunOurs(stream, false, &sink));
        extended = std::min(extended, RunOurs(stream, true, &sink));
        libvterm = std::min(libvterm, RunLibvterm(stream, &sink));
        console = std::min(console, terminal.Run(stream.bytes));
    }
    PrintRatio("emulator memory", megabytes / ours, megabytes / libvterm, 1.0);
    PrintRatio("extended memory", megabytes / extended, megabytes / libvterm, 1.5);
    if (console >= 1e9) {
        std::fprintf(stderr, "the console emulator could not be made on a pty\n");
        return 1;
    }
    PrintRatio("emulator console", megabytes / console, megabytes / libvterm, 0);
    std::printf("%-16s %.1f MB sent to the terminal per MB received\n", "",
                static_cast<double>(terminal.drained()) / kRounds / 1e6 / megabytes);
    return sink == 0x5EED5EEDu ? 2 : 0;  // keeps the results live
}
