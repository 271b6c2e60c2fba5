// Reads of what the far end writes once the port says it is ready.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "serial_check.h"

namespace serial_check {
namespace {

constexpr int kReadLimitMs = 10000;

// Both how long a wait that must time out took, and whether it did.
void ExpectTimeOut(const char *check, int result, long took, int limit) {
    if (result != PORTKIT_BUFFER_EMPTY) return Fail(check, Printed("gave %ld with nothing sent, not -8", result));
    if (took < limit - 50 || took > limit + 2000)
        return Fail(check, Printed("took %ld ms of a %ld ms limit", took, limit));
    Ok(check);
}

}  // namespace

// read FILE SIZE: the first byte by ReadCharTimed, the rest by
// ReadBufferTimed in blocks of mixed sizes, kept in FILE for the script.
void ReadIntoFile(PortStructure *port, const std::vector<std::string> &args) {
    const char *check = "read";
    const std::size_t size = std::stoul(args.at(1));
    std::vector<char> data(size);
    if (size == 0 || !SayReady(port)) return Fail(check, "cannot tell the far end to start");
    std::size_t got = 0;
    const int first = ReadCharTimed(port, kReadLimitMs);
    if (first < 0) return Fail(check, Printed("ReadCharTimed gave %ld for the first byte", first));
    data[got++] = static_cast<char>(first);
    const int32_t start = ElapsedTime();
    const std::size_t blocks[] = {1, 7, 512, 4096, 65536, 3};
    for (int turn = 0; got < size; ++turn) {
        const std::size_t n = std::min(blocks[turn % 6], size - got);
        const int result = ReadBufferTimed(port, data.data() + got, static_cast<unsigned>(n), kReadLimitMs);
        got += static_cast<std::size_t>(PWGetPortCount(port));
        if (result != 0) {
            Fail(check, Printed("ReadBufferTimed gave %ld at byte %ld of %ld", result, static_cast<long>(got),
                                static_cast<long>(size)));
            break;
        }
    }
    const long took = ElapsedTime() - start;
    if (got == size) {
        Note(Printed("read: %ld bytes in %ld ms", static_cast<long>(size), took) +
             (took > 0 ? Printed(" (%ld bytes/s)", static_cast<long>(size * 1000 / took)) : std::string()));
    }
    if (!WriteWholeFile(args.at(0).c_str(), data.data(), got)) Fail(check, "cannot write " + args[0]);
}

// pieces TEXT: the far end sends TEXT in pieces with pauses between; one
// ReadBufferTimed must wait across the pauses and gather it all.
void ReadPieces(PortStructure *port, const std::vector<std::string> &args) {
    const char *check = "read across pauses";
    const std::string &want = args.at(0);
    std::vector<char> got(want.size() + 1, '\0');
    if (!SayReady(port)) return Fail(check, "cannot tell the far end to start");
    const int result = ReadBufferTimed(port, got.data(), static_cast<unsigned>(want.size()), kReadLimitMs);
    if (result != 0 || want != got.data()) {
        return Fail(check, "gave " + std::to_string(result) + " with \"" + got.data() + "\", not \"" + want + "\"");
    }
    Ok(check);
}

// strings LINE1 LINE2 WORD: the far end sends "LINE1\r\nLINE2\r\nWORD;".
void ReadStrings(PortStructure *port, const std::vector<std::string> &args) {
    if (!SayReady(port)) return Fail("string reads", "cannot tell the far end to start");
    char line[128];
    for (int i = 0; i < 3; ++i) {
        const int terminator = i < 2 ? PORTKIT_TERMINATOR_CRLF : ';';
        const int result = ReadStringTimed(port, line, sizeof line, terminator, kReadLimitMs);
        const std::string check = i < 2 ? "ReadStringTimed to CR LF" : "ReadStringTimed to a character";
        if (result != 0 || args.at(i) != line) {
            Fail(check, "gave " + std::to_string(result) + " with \"" + line + "\", not \"" + args[i] + "\"");
        } else if (i != 1) {
            Ok(check);
        }
    }
    int32_t start = ElapsedTime();
    int result = ReadStringTimed(port, line, sizeof line, PORTKIT_TERMINATOR_CRLF, 700);
    ExpectTimeOut("ReadStringTimed time-out", result, ElapsedTime() - start, 700);
    start = ElapsedTime();
    result = ReadCharTimed(port, 400);
    ExpectTimeOut("ReadCharTimed time-out", result, ElapsedTime() - start, 400);
}

// hangup-read N FILE: the far end sends N bytes, which must arrive, and
// hangs up a second later (at once, the kernel would drop them unread).
// The read after that must end at once, saying the line is gone.
void HangupRead(PortStructure *port, const std::vector<std::string> &args) {
    const int want = std::stoi(args.at(0));
    if (!SayReady(port)) return Fail("read before a hang-up", "cannot tell the far end to start");
    std::vector<char> data(static_cast<std::size_t>(want));
    const int result = ReadBufferTimed(port, data.data(), static_cast<unsigned>(want), kReadLimitMs);
    if (result != 0) {
        return Fail("read before a hang-up",
                    Printed("gave %ld with %ld of the %ld bytes sent before it", result, PWGetPortCount(port), want));
    }
    WriteWholeFile(args.at(1).c_str(), data.data(), data.size());
    Ok("read before a hang-up");
    const int32_t start = ElapsedTime();
    const int after = ReadCharTimed(port, 5000);
    const long took = ElapsedTime() - start;
    if (after == PORTKIT_XFER_LOST_CARRIER && took < 4000) return Ok("a read after the hang-up gives -618");
    if (after >= 0 || after == PORTKIT_BUFFER_EMPTY || took >= 4000) {
        return Fail("a read after the hang-up", Printed("gave %ld after %ld ms, not -618 at once", after, took));
    }
    // Ended at once, but with another code: say which Win32 error Wine gave,
    // so it can be told apart from the errors of a vanished Windows device.
    DWORD errors = 0;
    COMSTAT queues{};
    const BOOL answered = ClearCommError(static_cast<HANDLE>(PortMSWin32GetCommHandle(port)), &errors, &queues);
    const std::string how = answered ? "ClearCommError still answers"
                                     : Printed("ClearCommError fails with Win32 error %ld", GetLastError());
    Skip("a read after the hang-up gives -618",
         Printed("it gave %ld at once; on a hung-up pty under Wine ", after) + how);
}

// queue-counts N: the far end sends N bytes, which the receive count must
// show before they are read, and not after.
void QueueCounts(PortStructure *port, const std::vector<std::string> &args) {
    const char *check = "receive queue count";
    const int want = std::stoi(args.at(0));
    if (!SayReady(port)) return Fail(check, "cannot tell the far end to start");
    const int32_t start = ElapsedTime();
    int used = PWSpaceUsedInRXBuffer(port);
    while (used != want && ElapsedTime() - start < 5000) {
        PortKillTime(port, 10);
        used = PWSpaceUsedInRXBuffer(port);
    }
    if (used != want) return Fail(check, Printed("shows %ld with %ld bytes sent", used, want));
    std::vector<char> data(static_cast<std::size_t>(want));
    const int result = ReadBufferTimed(port, data.data(), static_cast<unsigned>(want), kReadLimitMs);
    used = PWSpaceUsedInRXBuffer(port);
    if (result != 0 || used != 0) return Fail(check, Printed("read gave %ld, then the count shows %ld", result, used));
    if (PWSpaceFreeInRXBuffer(port) <= 0) return Fail(check, "no free space shown in an empty queue");
    Ok(check);
}

}  // namespace serial_check
