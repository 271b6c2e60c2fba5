// Writes while the far end is not reading. The script compares what
// arrives with the file; here each write must succeed or time out honestly,
// and the caller's memory is reused as soon as a call returns, which is
// what an application may do.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "serial_check.h"

namespace serial_check {
namespace {

constexpr int kWriteLimitMs = 60000;
constexpr int kAckLimitMs = 90000;

// The output count while the far end still holds output back. Wine counts
// nothing queued in a pty, so only output the driver keeps itself can show.
void NoteQueuedOutput(PortStructure *port) {
    const int queued = PWSpaceUsedInTXBuffer(port);
    if (queued > 0) {
        Note("output queue count: " + std::to_string(queued) + " bytes held back by the far end");
    } else {
        Skip("output queue count",
             "Wine counts no output queued in a pty, and the driver holds none (count " + std::to_string(queued) + ")");
    }
}

void FinishWithAck(PortStructure *port, const char *check) {
    if (!AwaitAck(port, kAckLimitMs)) Fail(check, "the far end never said it had read everything");
}

}  // namespace

// stalled-write FILE: the whole file in one call.
void StalledWrite(PortStructure *port, const std::vector<std::string> &args) {
    const char *check = "stalled write";
    std::vector<char> data = ReadWholeFile(args.at(0).c_str());
    if (data.empty()) return Fail(check, "cannot read " + args[0]);
    const int32_t start = ElapsedTime();
    const int result = WriteBufferTimed(port, data.data(), static_cast<unsigned>(data.size()), kWriteLimitMs);
    const long took = ElapsedTime() - start;
    if (result != 0) {
        Fail(check, Printed("WriteBufferTimed gave %ld with %ld bytes written, after %ld ms", result,
                            PWGetPortCount(port), took));
    } else {
        Note(Printed("stalled write: %ld bytes taken in %ld ms", static_cast<long>(data.size()), took));
    }
    std::fill(data.begin(), data.end(), '\0');
    FinishWithAck(port, check);
}

// reused-buffer FILE CHUNK: one buffer refilled for every call, and the last
// bytes one character at a time from a local.
void ReusedBuffer(PortStructure *port, const std::vector<std::string> &args) {
    const char *check = "reused buffer";
    const std::vector<char> data = ReadWholeFile(args.at(0).c_str());
    const std::size_t chunk = std::stoul(args.at(1));
    constexpr std::size_t kByChar = 64;
    if (data.size() <= kByChar || chunk == 0) return Fail(check, "cannot read " + args[0]);
    std::vector<char> buffer(chunk);
    const std::size_t by_buffer = data.size() - kByChar;
    long calls = 0;
    for (std::size_t at = 0; at < by_buffer; at += chunk) {
        const std::size_t n = std::min(chunk, by_buffer - at);
        std::memcpy(buffer.data(), data.data() + at, n);
        const int result = WriteBufferTimed(port, buffer.data(), static_cast<unsigned>(n), kWriteLimitMs);
        if (result != 0)
            return Fail(check, Printed("write %ld at offset %ld gave %ld", calls, static_cast<long>(at), result));
        ++calls;
    }
    for (std::size_t at = by_buffer; at < data.size(); ++at) {
        const int result = WriteCharTimed(port, static_cast<unsigned char>(data[at]), kWriteLimitMs);
        if (result != 0)
            return Fail(check, Printed("WriteCharTimed at offset %ld gave %ld", static_cast<long>(at), result));
    }
    Note(Printed("reused buffer: %ld calls of up to %ld bytes, then %ld single characters", calls,
                 static_cast<long>(chunk), static_cast<long>(kByChar)));
    std::fill(buffer.begin(), buffer.end(), '\0');
    FinishWithAck(port, check);
}

// write-timeout FILE MS: a far end that takes nothing while the call runs,
// so the call must end at its time-out with -9 and count only what the
// driver will deliver. The count goes to standard output for the script.
void WriteTimeout(PortStructure *port, const std::vector<std::string> &args) {
    const char *check = "write time-out";
    std::vector<char> data = ReadWholeFile(args.at(0).c_str());
    const int limit = std::stoi(args.at(1));
    if (data.empty()) return Fail(check, "cannot read " + args[0]);
    const int32_t start = ElapsedTime();
    const int result = WriteBufferTimed(port, data.data(), static_cast<unsigned>(data.size()), limit);
    const long took = ElapsedTime() - start;
    const long count = PWGetPortCount(port);
    if (result != PORTKIT_BUFFER_FULL) {
        Fail(check, Printed("gave %ld, not -9, with %ld bytes counted as written, after %ld ms", result, count, took));
    } else if (took < limit - 50) {
        Fail(check, Printed("gave up after %ld ms of %ld (count %ld)", took, limit, count));
    } else {
        Ok(check);
    }
    NoteQueuedOutput(port);
    std::printf("count %ld\n", count);
    std::fflush(stdout);
    std::fill(data.begin(), data.end(), '\0');
    FinishWithAck(port, check);
}

}  // namespace serial_check
