// An open communications handle on POSIX: a line endpoint with a receive
// queue in user space, refilled by large reads so that a caller taking a
// byte at a time costs no system call per byte. Output is handed to the
// line at once: with no thread of our own, bytes held back in user space
// would sit there until the application next called us. The line itself
// (the kernel's buffer, or the simulated cable) is the transmit queue, and
// its fill is reported against the configured queue size.
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

    // Hands the line what it accepts now.
    std::size_t Write(const std::uint8_t *data, std::size_t count);
    std::size_t Read(std::uint8_t *data, std::size_t count);

    // Moves line input into the queue and line errors into the pending bits.
    void Service();
    std::uint32_t TakeErrors();
    std::size_t InputQueued() const { return rx_.size(); }
    // Output the line still holds, at most the transmit queue size.
    std::size_t OutputQueued();
    void Purge(bool output, bool input);

    // One idle turn: block briefly until input arrives.
    void WaitForActivity(int milliseconds);

    DCB dcb{};
    COMMTIMEOUTS timeouts{};
    DWORD event_mask = 0;

private:
    void Refill();
    void CollectLineErrors(bool input_arrived);

    std::uint32_t magic_;
    std::unique_ptr<LineEndpoint> line_;
    ByteQueue rx_;
    std::size_t tx_queue_size_;
    std::size_t line_pending_ = 0;  // bytes the line holds unsent: known, or an upper bound
    std::int64_t line_pending_checked_ms_ = -1000;
    bool line_refused_ = false;  // the last write found the line full
    std::uint32_t pending_errors_ = 0;
    std::int64_t last_error_check_ms_ = -1000;
};

// A coarse millisecond clock, cheap enough to read for every byte.
std::int64_t CoarseMilliseconds();

}  // namespace portkit::posix

#endif
