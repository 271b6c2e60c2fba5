// Pieces shared by the timed reads and writes.
#ifndef PORTKIT_TIMEDIO_TIMEDIO_INTERNAL_H
#define PORTKIT_TIMEDIO_TIMEDIO_INTERNAL_H

#include <cstdint>

#include "port/port_internal.h"
#include "portkit/timedio.h"

namespace portkit::timedio {

constexpr int kNoLimit = -1;
constexpr char kCR = '\r';
constexpr char kLF = '\n';

inline bool TerminatorInRange(int terminator) { return terminator >= PORTKIT_TERMINATOR_CRLF && terminator <= 255; }

// Codes a driver gives when the byte cannot go yet; writes retry on them.
inline bool IsRefusal(int code) { return code == PORTKIT_BUFFER_FULL || code == PORTKIT_BLOCKED_BY_HANDSHAKING; }

// A time-out fixed when the call starts.
class WaitLimit {
public:
    explicit WaitLimit(int timeout) : unlimited_(timeout == kNoLimit), deadline_(DeadlineAfter(timeout)) {}

    bool Expired() const { return !unlimited_ && DeadlineReached(deadline_); }

    // Time left to hand on to a further timed call. Never -1 once the
    // deadline has passed, which would turn into a wait without limit.
    int Remaining() const {
        if (unlimited_) return kNoLimit;
        const auto left = static_cast<std::int32_t>(static_cast<std::uint32_t>(deadline_) -
                                                    static_cast<std::uint32_t>(ElapsedTime()));
        return left > 0 ? left : 0;
    }

private:
    bool unlimited_;
    std::int32_t deadline_;
};

// Bytes that one buffer slot call moved, by the port's count. Kept within
// what was asked, so a driver that leaves a stale or wild count behind
// cannot walk the caller past the end of its buffer.
inline unsigned int MovedBy(const PortStructure *port, unsigned int asked) {
    if (port->count <= 0) return 0;
    const auto moved = static_cast<unsigned int>(port->count);
    return moved < asked ? moved : asked;
}

// What a timed write leaves in the port's status for a failure of its own.
enum class FailureStatus {
    kStore,    // the driver's or the idle hook's code stays there
    kRestore,  // the status from before the call is always put back
};

// Writes `count` bytes, retrying refusals until `limit` expires and calling
// the idle hook between tries. The port's count ends as the bytes written.
int WriteAllTimed(PortStructure *port, const char *buffer, unsigned int count, const WaitLimit &limit,
                  FailureStatus failure_status);

}  // namespace portkit::timedio

#endif
