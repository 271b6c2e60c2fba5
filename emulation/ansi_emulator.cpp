// The ANSI emulator: reads the port in batches, passes runs of text to the
// display in one call each, and feeds escape sequences to the parser.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "emulation/ansi_internal.h"
#include "emulation/extended_ansi.h"
#include "platform/platform.h"

using namespace portkit::emulation;

namespace {

constexpr int kEscape = 27;
constexpr int kBell = 7;
constexpr int kBackspace = 8;

// The record as CreateAnsiEmulator allocates it: the public record first,
// then what the emulator keeps to itself. Plain bytes, so that a record an
// application releases with free takes all of it along.
struct AnsiEmulatorAllocation {
    AnsiEmulatorRecord ansi;
    // Characters of a batch that followed a completed incoming command,
    // processed first on the next call so none are lost.
    int kept_count;
    unsigned char kept_input[kBatchSize];
    // The extended mode's parser and screen; null in the ordinary mode.
    ExtendedAnsi *extended;
};

AnsiEmulatorAllocation &AllocationOf(EmulatorRecord *record) {
    return *reinterpret_cast<AnsiEmulatorAllocation *>(record);
}

// Fills `batch` with the next characters to process; returns how many.
int NextBatch(EmulatorRecord *record, unsigned char *batch) {
    AnsiEmulatorAllocation &allocation = AllocationOf(record);
    if (const int kept = allocation.kept_count; kept > 0) {
        std::memcpy(batch, allocation.kept_input, static_cast<std::size_t>(kept));
        allocation.kept_count = 0;
        return kept;
    }
    if (record->local_mode != 0) {
        const int key = record->read_key(record);
        if (key < 0) return 0;
        batch[0] = static_cast<unsigned char>(key);
        return 1;
    }
    // Cleared first: a driver that fails without touching the count must not
    // make the last call's count (a cursor report's write) look like input.
    record->port->count = 0;
    PWReadBuffer(record->port, reinterpret_cast<char *>(batch), kBatchSize);
    return std::clamp(static_cast<int>(record->port->count), 0, kBatchSize);
}

struct TextRun {
    int end;      // index just past the run
    int command;  // value of a completed incoming command, or -1
};

// Collects text from `start` into `run` (NULs skipped) and writes it.
TextRun WriteTextRun(EmulatorRecord *record, const unsigned char *batch, int start, int count) {
    char run[kBatchSize + 1];
    int length = 0;
    int i = start;
    int command = -1;
    const auto mask = static_cast<unsigned char>(record->input_mask);
    for (; i < count; ++i) {
        const int c = batch[i] & mask;
        if (c == kEscape || c == kBell || c == kBackspace) break;
        if (c == 0) continue;
        run[length++] = static_cast<char>(c);
        command = ScanInputCharacter(record, static_cast<unsigned char>(c));
        if (command != -1) {
            ++i;
            break;
        }
    }
    run[length] = '\0';
    // An empty run would draw nothing; backends are spared the call.
    if (length > 0) record->put_string(record->display, run);
    return {i, command};
}

void KeepRest(EmulatorRecord *record, const unsigned char *batch, int start, int count) {
    if (start >= count) return;
    AnsiEmulatorAllocation &allocation = AllocationOf(record);
    allocation.kept_count = count - start;
    std::memcpy(allocation.kept_input, batch + start, static_cast<std::size_t>(count - start));
}

}  // namespace

namespace portkit::emulation {

void ReleaseAnsiState(EmulatorRecord *record) {
    if (record->process_input != ansi_process_input) return;
    ParseReset(AsAnsi(record));
    delete AllocationOf(record).extended;
    AllocationOf(record).extended = nullptr;
}

}  // namespace portkit::emulation

extern "C" {

PORTKIT_API EmulatorRecord *CreateAnsiEmulator(PortStructure *port) {
    auto *allocation = static_cast<AnsiEmulatorAllocation *>(std::calloc(1, sizeof(AnsiEmulatorAllocation)));
    if (allocation == nullptr) return nullptr;
    AnsiEmulatorRecord *ansi = &allocation->ansi;
    EmulatorRecord *record = &ansi->emulator;
    _InitializeEmulator(record);
    record->process_input = ansi_process_input;
    ansi->parse_state = ANSI_TEXT;
    ansi->param_index = 0;
    record->port = port;
    static const struct {
        int key;
        const char *text;
    } kArrowKeys[] = {
        {PORTKIT_KEY_UP, "\x1b[A"},
        {PORTKIT_KEY_DOWN, "\x1b[B"},
        {PORTKIT_KEY_RIGHT, "\x1b[C"},
        {PORTKIT_KEY_LEFT, "\x1b[D"},
    };
    for (const auto &arrow : kArrowKeys) record->define_kbd_macro(record, arrow.key, arrow.text);
    return record;
}

PORTKIT_API EmulatorRecord *CreateAnsiEmulatorExtended(PortStructure *port, unsigned int options) {
    EmulatorRecord *record = CreateAnsiEmulator(port);
    if (record == nullptr) return nullptr;
    auto *extended = new (std::nothrow) ExtendedAnsi;
    if (extended == nullptr) {
        record->destroy(record);
        return nullptr;
    }
    extended->utf8 = (options & ANSI_EXTENDED_UTF8) != 0;
    extended->screen.new_line = (options & ANSI_EXTENDED_NEW_LINE) != 0;
    AllocationOf(record).extended = extended;
    DefineExtendedKeys(record, KeySet::kAll);
    return record;
}

PORTKIT_API int ansi_process_input(EmulatorRecord *record) {
    if (record == nullptr || !HasDisplay(record)) return -1;
    AnsiEmulatorRecord *ansi = AsAnsi(record);
    unsigned char batch[kBatchSize];
    const int count = NextBatch(record, batch);
    if (count <= 0) return -1;
    const auto mask = static_cast<unsigned char>(record->input_mask);
    // The whole batch reaches a terminal in one write.
    const portkit::platform::ConsoleOutputBatch batch_output;
    if (ExtendedAnsi *extended = AllocationOf(record).extended; extended != nullptr) {
        const ExtendedRun run = RunExtended(record, *extended, batch, 0, count);
        if (run.command != -1) KeepRest(record, batch, run.end, count);
        return run.command;
    }
    int i = 0;
    while (i < count) {
        if (ansi->parse_state != ANSI_TEXT) {
            ParseSequenceCharacter(ansi, batch[i++] & mask);
            continue;
        }
        const TextRun run = WriteTextRun(record, batch, i, count);
        i = run.end;
        if (run.command != -1) {
            KeepRest(record, batch, i, count);
            return run.command;
        }
        if (i >= count) break;
        const int c = batch[i++] & mask;
        if (c == kEscape) {
            ansi->parse_state = ANSI_ESCAPE;
        } else if (c == kBackspace) {
            record->put_char(record->display, kBackspace);
            record->put_char(record->display, ' ');
            record->put_char(record->display, kBackspace);
        } else {
            record->beep(record->display);
        }
    }
    return -1;
}

}  // extern "C"
