// An open communications handle on POSIX: a line endpoint with transmit and
// receive queues in user space, sized like a Windows serial driver's, so a
// caller working a byte at a time costs no system call per byte.
#ifndef PORTKIT_PLATFORM_POSIX_COMM_PORT_H
#define PORTKIT_PLATFORM_POSIX_COMM_PORT_H

#include <cstdint>
#include <memory>

#include "platform/posix/byte_queue.h"
#include "platform/posix/line_endpoint.h"
#include "platform/posix/win32_comm.h"

namespace portkit::posix {

class CommPort {
public:
    explicit CommPort(std::unique_ptr<LineEndpoint> line);
    ~CommPort();

    static CommPort *FromHandle(HANDLE handle);
    HANDLE handle() { return this; }
    LineEndpoint &line() { return *line_; }

    void ResizeQueues(std::size_t rx_size, std::size_t tx_size);

    // Queues what fits, handing bytes to the line now when the line has been
    // quiet and otherwise in batches (see MaybeFlush).
    std::size_t Write(const std::uint8_t *data, std::size_t count);
    std::size_t Read(std::uint8_t *data, std::size_t count);

    // Moves bytes along: queued output to the line, line input to the queue,
    // line errors into the pending error bits.
    void Service();
    std::uint32_t TakeErrors();
    std::size_t InputQueued() const { return rx_.size(); }
    std::size_t OutputQueued() const;
    void Purge(bool output, bool input);

    // Hands every queued byte to the line, waiting up to `milliseconds` for
    // room; used before closing.
    void Drain(int milliseconds);

    // One idle turn: push output, then block briefly until something moves.
    void WaitForActivity(int milliseconds);

    DCB dcb{};
    COMMTIMEOUTS timeouts{};
    DWORD event_mask = 0;

private:
    void MaybeFlush();
    void Flush();
    void Refill();
    void CollectLineErrors(bool input_arrived);

    std::uint32_t magic_;
    std::unique_ptr<LineEndpoint> line_;
    ByteQueue tx_;
    ByteQueue rx_;
    std::size_t line_pending_ = 0;  // last known bytes the line holds unsent
    std::uint32_t pending_errors_ = 0;
    std::int64_t last_handoff_ms_ = -1000;
    std::int64_t last_error_check_ms_ = -1000;
};

// A coarse millisecond clock, cheap enough to read for every byte.
std::int64_t CoarseMilliseconds();

}  // namespace portkit::posix

#endif
