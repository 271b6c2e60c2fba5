#include "platform/posix/comm_port.h"

#include <ctime>

namespace portkit::posix {
namespace {

constexpr std::uint32_t kCommPortMagic = 0x50434F4D;  // "PCOM"
constexpr std::size_t kDefaultQueueSize = 4096;
constexpr std::int64_t kErrorCheckIntervalMs = 1;

}  // namespace

std::int64_t CoarseMilliseconds() {
    timespec now{};
#ifdef CLOCK_MONOTONIC_COARSE
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
#else
    clock_gettime(CLOCK_MONOTONIC, &now);
#endif
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

CommPort::CommPort(std::unique_ptr<LineEndpoint> line)
    : magic_(kCommPortMagic), line_(std::move(line)), rx_(kDefaultQueueSize), tx_queue_size_(kDefaultQueueSize) {}

CommPort::~CommPort() { magic_ = 0; }

CommPort *CommPort::FromHandle(HANDLE handle) {
    auto *port = static_cast<CommPort *>(handle);
    if (port == nullptr || handle == INVALID_HANDLE_VALUE || port->magic_ != kCommPortMagic) return nullptr;
    return port;
}

void CommPort::ResizeQueues(std::size_t rx_size, std::size_t tx_size) {
    // Bytes already received are kept as far as they fit.
    ByteQueue old_rx = std::move(rx_);
    rx_ = ByteQueue(rx_size);
    std::uint8_t chunk[256];
    while (!old_rx.empty() && rx_.space() > 0) {
        const std::size_t n = old_rx.Pop(chunk, std::min(sizeof chunk, rx_.space()));
        rx_.Push(chunk, n);
    }
    tx_queue_size_ = tx_size;
}

std::size_t CommPort::Write(const std::uint8_t *data, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const long n = line_->Write(data + done, count - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    line_pending_ += done;
    line_refused_ = done < count;
    return done;
}

std::size_t CommPort::Read(std::uint8_t *data, std::size_t count) {
    if (rx_.empty()) Refill();
    return rx_.Pop(data, count);
}

// Asking the kernel costs a system call, so after a write the count is
// raised by what was written and asked afresh only once it would look full,
// or a clock tick has passed.
std::size_t CommPort::OutputQueued() {
    if (line_pending_ > 0) {
        const std::int64_t now = CoarseMilliseconds();
        if (line_->QueriesAreCheap() || line_pending_ >= tx_queue_size_ || now != line_pending_checked_ms_) {
            line_pending_ = line_->PendingOutput();
            line_pending_checked_ms_ = now;
        }
    }
    return std::min(line_pending_, tx_queue_size_);
}

void CommPort::Refill() {
    bool arrived = false;
    while (rx_.space() > 0) {
        std::span<std::uint8_t> room = rx_.WritableRegion();
        const long n = line_->Read(room.data(), room.size());
        if (n <= 0) break;
        rx_.Commit(static_cast<std::size_t>(n));
        arrived = true;
        if (static_cast<std::size_t>(n) < room.size()) break;
    }
    CollectLineErrors(arrived);
}

// Line errors come with received data, or alone (a break on an idle line),
// so they are looked at whenever data arrived and otherwise once a tick at
// most, where asking costs a system call.
void CommPort::CollectLineErrors(bool input_arrived) {
    const std::int64_t now = CoarseMilliseconds();
    if (!input_arrived && !line_->QueriesAreCheap() && now - last_error_check_ms_ < kErrorCheckIntervalMs) return;
    last_error_check_ms_ = now;
    pending_errors_ |= line_->TakeLineErrors();
}

void CommPort::Service() {
    if (rx_.empty()) Refill();
}

std::uint32_t CommPort::TakeErrors() {
    CollectLineErrors(false);
    const std::uint32_t errors = pending_errors_;
    pending_errors_ = 0;
    return errors;
}

void CommPort::Purge(bool output, bool input) {
    if (output) line_pending_ = 0;
    if (input) rx_.clear();
    line_->Purge(output, input);
}

// A writer held up by the queue size goes on at once when the line has
// drained meanwhile, and waits for room when the line itself refused bytes;
// anyone else waits for input.
void CommPort::WaitForActivity(int milliseconds) {
    // A caller waiting for output to drain must see it drained next time.
    if (line_pending_ > 0 && line_pending_ < tx_queue_size_) {
        line_pending_ = line_->PendingOutput();
        line_pending_checked_ms_ = CoarseMilliseconds();
    }
    if (!rx_.empty()) return;
    if (line_pending_ >= tx_queue_size_ && tx_queue_size_ > 0) {
        line_pending_ = line_->PendingOutput();
        line_pending_checked_ms_ = CoarseMilliseconds();
        if (line_pending_ < tx_queue_size_) return;
    }
    line_->WaitForActivity(milliseconds, line_refused_);
}

}  // namespace portkit::posix
