// The ANSI emulator: reads the port in batches, passes runs of text to the
// display in one call each, and feeds escape sequences to the parser.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>

#include "port/port_queues.h"
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
    unsigned char kept_input[kExtendedBatchSize];
    // The extended mode's parser and screen; null in the ordinary mode.
    ExtendedAnsi *extended;
};

AnsiEmulatorAllocation &AllocationOf(EmulatorRecord *record) {
    return *reinterpret_cast<AnsiEmulatorAllocation *>(record);
}

// The characters one call works on: those kept from the last call, a key
// in local mode, or what the port brings. Where the driver's queue can be
// looked into, the batch is what it holds, and its characters leave the
// queue only as far as they are taken, so those after a command stay
// there for whoever reads next (a transfer); other ports are read.
struct Batch {
    const unsigned char *bytes;
    int count;
    int queued_from;  // characters from here on are still queued; -1: none
};

Batch QueuedBatch(EmulatorRecord *record, unsigned char *buffer, int limit) {
    PortStructure *port = record->port;
    std::span<const std::uint8_t> queued = portkit::PeekQueuedInput(port);
    int read = 0;
    if (queued.empty()) {
        // A read of one character refills the queue from the line, and
        // notices a line that has gone, as any read does.
        port->count = 0;
        PWReadBuffer(port, reinterpret_cast<char *>(buffer), 1);
        if (port->count <= 0) return {buffer, 0, -1};
        read = 1;
        queued = portkit::PeekQueuedInput(port);
    }
    const auto more = static_cast<int>(std::min<std::size_t>(queued.size(), static_cast<std::size_t>(limit - read)));
    // The count says what the call has, as a read's would.
    port->count = read + more;
    if (read == 0) return {queued.data(), more, 0};
    std::memcpy(buffer + read, queued.data(), static_cast<std::size_t>(more));
    return {buffer, read + more, read};
}

Batch NextBatch(EmulatorRecord *record, unsigned char *buffer, int limit) {
    AnsiEmulatorAllocation &allocation = AllocationOf(record);
    if (const int kept = allocation.kept_count; kept > 0) {
        std::memcpy(buffer, allocation.kept_input, static_cast<std::size_t>(kept));
        allocation.kept_count = 0;
        return {buffer, kept, -1};
    }
    if (record->local_mode != 0) {
        const int key = record->read_key(record);
        if (key < 0) return {buffer, 0, -1};
        buffer[0] = static_cast<unsigned char>(key);
        return {buffer, 1, -1};
    }
    if (portkit::InputQueueVisible(record->port)) return QueuedBatch(record, buffer, limit);
    // Cleared first: a driver that fails without touching the count must not
    // make the last call's count (a cursor report's write) look like input.
    record->port->count = 0;
    PWReadBuffer(record->port, reinterpret_cast<char *>(buffer), static_cast<unsigned>(limit));
    return {buffer, std::clamp(static_cast<int>(record->port->count), 0, limit), -1};
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

// Ends a call that took the batch up to `end`: what it read and did not
// take is kept for the next call, and what it took of the queue leaves it.
void LeaveRest(EmulatorRecord *record, const Batch &batch, int end) {
    const int read_end = batch.queued_from >= 0 ? batch.queued_from : batch.count;
    if (end < read_end) {
        AnsiEmulatorAllocation &allocation = AllocationOf(record);
        allocation.kept_count = read_end - end;
        std::memcpy(allocation.kept_input, batch.bytes + end, static_cast<std::size_t>(read_end - end));
    }
    if (batch.queued_from >= 0 && end > batch.queued_from) {
        portkit::DropQueuedInput(record->port, static_cast<std::size_t>(end - batch.queued_from));
    }
}

// The extended mode draws once a call. Where the driver's queue is looked
// into, what the line brought meanwhile is taken too, up to a batch's
// size, before drawing: a fast stream then costs a drawing of the screen
// for every batch rather than for every read of the line.
int RunExtendedBatches(EmulatorRecord *record, ExtendedAnsi &extended, unsigned char *buffer, Batch batch) {
    SyncWithDisplay(record, extended);
    const bool queued = batch.queued_from >= 0;
    int taken = 0;
    int command = -1;
    for (;;) {
        const ExtendedRun run = RunExtended(record, extended, batch.bytes, 0, batch.count);
        LeaveRest(record, batch, run.end);
        taken += run.end;
        command = run.command;
        if (command != -1 || batch.queued_from < 0 || taken >= kExtendedBatchSize) break;
        batch = QueuedBatch(record, buffer, kExtendedBatchSize - taken);
        if (batch.count <= 0) break;
    }
    DrawChanges(record, extended);
    if (queued) record->port->count = taken;  // as one read's count would be
    return command;
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
    ExtendedAnsi *extended = AllocationOf(record).extended;
    unsigned char buffer[kExtendedBatchSize];
    const Batch batch = NextBatch(record, buffer, extended != nullptr ? kExtendedBatchSize : kBatchSize);
    const unsigned char *bytes = batch.bytes;
    const int count = batch.count;
    if (count <= 0) return -1;
    const auto mask = static_cast<unsigned char>(record->input_mask);
    // The whole batch reaches a terminal in one write.
    const portkit::platform::ConsoleOutputBatch batch_output;
    if (extended != nullptr) return RunExtendedBatches(record, *extended, buffer, batch);
    int i = 0;
    while (i < count) {
        if (ansi->parse_state != ANSI_TEXT) {
            ParseSequenceCharacter(ansi, bytes[i++] & mask);
            continue;
        }
        const TextRun run = WriteTextRun(record, bytes, i, count);
        i = run.end;
        if (run.command != -1) {
            LeaveRest(record, batch, i);
            return run.command;
        }
        if (i >= count) break;
        const int c = bytes[i++] & mask;
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
    LeaveRest(record, batch, count);
    return -1;
}

}  // extern "C"
