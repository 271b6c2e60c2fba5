// The ASCII sender: each file in lines of at most 82 characters, one
// character per driver call, with the caller's pacing.
#include <cstdio>

#include "port/port_queues.h"
#include "transfer/ascii/ascii_engine.h"

namespace portkit::transfer {
namespace {

bool IsRefusal(int code) { return code == PORTKIT_BUFFER_FULL || code == PORTKIT_BLOCKED_BY_HANDSHAKING; }

// The next line into the buffer: its length, 0 at the end of the file, -1
// when the file could not be read.
int ReadLine(TransferRecord *record) {
    const bool strip = Ascii(record).strip_linefeeds != 0;
    int stored = 0;
    while (stored < kAsciiLineLength) {
        const int c = std::fgetc(record->file);
        if (c == EOF) break;
        CountBytes(record, 1);
        if (strip && c == '\n') continue;
        record->buffer[stored++] = static_cast<char>(c);
        if (c == '\r') break;
    }
    if (stored == 0 && std::ferror(record->file)) return -1;
    return stored;
}

// A character delay is too short for the idle hook's turn; the clock alone
// measures it.
void PollDelay(int32_t milliseconds) {
    const int32_t deadline = DeadlineAfter(milliseconds);
    while (!DeadlineReached(deadline)) {
    }
}

// While the queue refuses, the far end's echo is read and the idle hook
// gives the line time to drain. False when the transfer has ended.
bool WaitForRoom(TransferRecord *record) {
    if (!DrainEcho(record)) return false;
    return !StopOnReadFailure(record, RunIdleHook(record->port));
}

bool SendLine(TransferRecord *record, int length) {
    PortStructure *port = record->port;
    const int32_t status_before = port->status;
    const int32_t char_delay = Ascii(record).char_delay;
    for (int sent = 0; sent < length;) {
        const int result = port->functions.WriteChar(port, static_cast<unsigned char>(record->buffer[sent]));
        if (result == 0) {
            ++sent;
        } else if (IsRefusal(result)) {
            port->status = status_before;
            if (!WaitForRoom(record)) return false;
        } else {
            XferMessage(record, "Error %d sending buffer", result);
            // A line that has gone says more than a generic send failure.
            const bool gone = result == PORTKIT_XFER_LOST_CARRIER || LineHasGone(port);
            EndAscii(record, gone ? PORTKIT_XFER_LOST_CARRIER : PORTKIT_XFER_CHAR_FULL, "Can't send char");
            return false;
        }
        if (char_delay != 0 && sent < length) PollDelay(char_delay);
    }
    return true;
}

// A delay takes at least one idle turn, however late the thread gets to
// look at the clock: the far end (and the application's idle hook) always
// see the pause between lines.
bool WaitLineDelay(TransferRecord *record) {
    if (Ascii(record).line_delay <= 0) return true;
    const int32_t deadline = DeadlineAfter(Ascii(record).line_delay);
    do {
        if (XferCheckAbort(record)) return false;
        if (StopOnReadFailure(record, RunIdleHook(record->port))) return false;
    } while (!DeadlineReached(deadline));
    return true;
}

bool NextFile(TransferRecord *record) {
    return record->file_list != nullptr && record->file_list->next(record->file_list) != 0;
}

// Nothing but line feeds that would be dropped is left of the current file;
// those are taken (and counted) now.
bool RestOfFileIsEmpty(TransferRecord *record) {
    const bool strip = Ascii(record).strip_linefeeds != 0;
    for (;;) {
        const int c = std::fgetc(record->file);
        if (c == EOF) return true;
        if (!(strip && c == '\n')) {
            std::ungetc(c, record->file);
            return false;
        }
        CountBytes(record, 1);
    }
}

// The list is asked for the next file as soon as the current one has been
// written out, so that the last character of the last file is known when
// it leaves; the answer is kept for when the file is closed.
struct FileOrder {
    bool asked = false;
    bool another = false;

    bool LastCharacterWritten(TransferRecord *record) {
        if (!RestOfFileIsEmpty(record)) return false;
        if (!asked) another = NextFile(record);
        asked = true;
        return !another;
    }
    bool Next(TransferRecord *record) {
        const bool result = asked ? another : NextFile(record);
        asked = false;
        return result;
    }
};

}  // namespace

void RunAsciiSend(TransferRecord *record) {
    record->sending = 1;
    if (!XferSetUp(record)) return;
    // Characters paced one by one must leave when written; whole lines go
    // out at the wait after each, as held output does at every wait.
    if (Ascii(record).char_delay != 0) portkit::HoldPortOutput(record->port, false);
    if (!NextFile(record)) {
        EndAscii(record, PORTKIT_XFER_NO_FILES, "No files were sent");
        return;
    }
    if (!XferOpenFile(record)) return;
    FileOrder order;
    for (;;) {
        const int length = ReadLine(record);
        if (length < 0) {
            EndAscii(record, PORTKIT_XFER_FILE_IO, "Error during file I/O");
            return;
        }
        record->block_size = length;
        if (length == 0) {
            CloseXferFile(record);
            if (!order.Next(record)) {
                XferCleanUp(record);
                return;
            }
            if (!XferOpenFile(record)) return;
            continue;
        }
        if (!SendLine(record, length)) return;
        const bool all_written = order.LastCharacterWritten(record);
        // The end goes to the line now, before anything can count as done.
        if (all_written) portkit::HoldPortOutput(record->port, false);
        if (!DrainEcho(record) || !WaitLineDelay(record) || XferCheckAbort(record)) {
            // Text has no end marker: a far end that hangs up once it has
            // all of it (a program reading so much) ends the send normally.
            if (all_written && record->status == PORTKIT_XFER_LOST_CARRIER) record->status = 0;
            return;
        }
    }
}

}  // namespace portkit::transfer
