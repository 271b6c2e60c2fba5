// An open communications handle on POSIX: a line endpoint with a receive
// queue in user space, refilled by large reads so that a caller taking a
// byte at a time costs no system call per byte. Output is handed to the
// line at once: with no thread of our own, bytes held back in user space
// would sit there until the application next called us. The line itself
// (the kernel's buffer, or the simulated cable) is the transmit queue, and
// its fill is reported against the configured queue size.
//
// A file transfer, which always goes on to wait, read or look at the queues
// again, may ask for its output to be held: written bytes then collect in a
// batch of their own (up to 64 KB: the transmit queue's size never cuts a
// held write) that goes to the line when it fills, at a look at the queues
// once it holds a queue's worth written in an earlier clock tick, at every
// wait, at a read that finds
// nothing queued, at a second look at the queues with no write between,
// before any line operation, and when holding ends. While the line refuses
// held bytes, a write takes nothing more.
#ifndef PORTKIT_PLATFORM_POSIX_COMM_COMM_PORT_H
#define PORTKIT_PLATFORM_POSIX_COMM_COMM_PORT_H

#include <cstdint>
#include <memory>

#include "platform/posix/comm/byte_queue.h"
#include "platform/posix/comm/line_endpoint.h"
#include "platform/posix/comm/transmit_batch.h"
#include "platform/posix/comm/win32_comm.h"

namespace portkit::posix {

class CommPort {
public:
    explicit CommPort(std::unique_ptr<LineEndpoint> line);
    ~CommPort();

    // Null for anything but an open port. Inline: every call resolves one.
    static CommPort *FromHandle(HANDLE handle) {
        auto *port = static_cast<CommPort *>(handle);
        if (port == nullptr || handle == INVALID_HANDLE_VALUE || port->magic_ != kMagic) return nullptr;
        return port;
    }
    HANDLE handle() { return this; }
    LineEndpoint &line() { return *line_; }

    void ResizeQueues(std::size_t rx_size, std::size_t tx_size);

    // Hands the line what it accepts now, or adds to the held batch.
    std::size_t Write(const std::uint8_t *data, std::size_t count);
    std::size_t Read(std::uint8_t *data, std::size_t count);
    // The oldest queued input that lies contiguously, left in the queue;
    // DropInput then takes `count` bytes of it.
    std::span<const std::uint8_t> QueuedInput() const { return rx_.ReadableRegion(); }
    void DropInput(std::size_t count) { rx_.Consume(std::min(count, rx_.size())); }

    // What ClearCommError reports: line input is moved into the queue and
    // line errors into `errors`; held output counts as queued.
    struct QueueLook {
        std::uint32_t errors;
        std::size_t input;
        std::size_t output;
        bool line_gone;  // nothing queued, and nothing more will come
    };
    QueueLook Look();
    void Purge(bool output, bool input);

    // The line has gone and every byte it brought has been read.
    bool LineGone() const { return rx_.empty() && line_->HungUp(); }

    void HoldOutput(bool hold);
    bool HoldingOutput() const { return holding_; }
    // Hands held output to the line; false when the line left some held.
    bool FlushHeldOutput();
    // Hands over all of it, waiting on the line a while if need be.
    void HandOverHeldOutput();

    // One idle turn: block briefly until input arrives or one of `also` is
    // ready.
    void WaitForActivity(int milliseconds, std::span<pollfd> also);

    DCB dcb{};
    COMMTIMEOUTS timeouts{};
    DWORD event_mask = 0;

private:
    static constexpr std::uint32_t kMagic = 0x50434F4D;  // "PCOM"

    std::size_t WriteThrough(const std::uint8_t *data, std::size_t count);
    std::size_t Hold(const std::uint8_t *data, std::size_t count);
    std::size_t OutputQueued(std::int64_t now);
    void RefreshLinePending(std::int64_t now);
    void Refill(std::int64_t now);
    void CollectLineErrors(bool input_arrived, std::int64_t now);

    std::uint32_t magic_;
    std::unique_ptr<LineEndpoint> line_;
    bool queries_cheap_;  // the line's, fixed for its life
    ByteQueue rx_;
    std::size_t tx_queue_size_;
    std::size_t line_pending_ = 0;  // bytes the line holds unsent: known, or an upper bound
    std::int64_t line_pending_checked_ms_ = -1000;
    bool line_refused_ = false;  // the last write or flush found the line full
    std::uint32_t pending_errors_ = 0;
    std::int64_t last_error_check_ms_ = -1000;
    std::int64_t last_refill_ms_ = -1000;
    bool after_write_ = false;  // no look, read or wait since the last write
    bool holding_ = false;
    TransmitBatch held_;
    std::int64_t held_since_ms_ = 0;  // when the batch's oldest byte was written
};

// A coarse millisecond clock, cheap enough to read for every byte.
std::int64_t CoarseMilliseconds();

}  // namespace portkit::posix

#endif
