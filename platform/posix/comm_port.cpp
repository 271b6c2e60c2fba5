#include "platform/posix/comm_port.h"

#include <ctime>

namespace portkit::posix {
namespace {

constexpr std::uint32_t kCommPortMagic = 0x50434F4D;  // "PCOM"
constexpr std::size_t kDefaultQueueSize = 4096;
constexpr std::size_t kLargestBatch = 512;
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
    : magic_(kCommPortMagic), line_(std::move(line)), tx_(kDefaultQueueSize), rx_(kDefaultQueueSize) {}

CommPort::~CommPort() { magic_ = 0; }

CommPort *CommPort::FromHandle(HANDLE handle) {
    auto *port = static_cast<CommPort *>(handle);
    if (port == nullptr || handle == INVALID_HANDLE_VALUE || port->magic_ != kCommPortMagic) return nullptr;
    return port;
}

void CommPort::ResizeQueues(std::size_t rx_size, std::size_t tx_size) {
    Flush();
    // Bytes already queued are handed on or kept rather than dropped.
    ByteQueue old_rx = std::move(rx_);
    ByteQueue old_tx = std::move(tx_);
    rx_ = ByteQueue(rx_size);
    tx_ = ByteQueue(tx_size);
    std::uint8_t chunk[256];
    while (!old_rx.empty() && rx_.space() > 0) {
        const std::size_t n = old_rx.Pop(chunk, std::min(sizeof chunk, rx_.space()));
        rx_.Push(chunk, n);
    }
    while (!old_tx.empty() && tx_.space() > 0) {
        const std::size_t n = old_tx.Pop(chunk, std::min(sizeof chunk, tx_.space()));
        tx_.Push(chunk, n);
    }
}

std::size_t CommPort::Write(const std::uint8_t *data, std::size_t count) {
    const std::size_t queued = tx_.Push(data, count);
    MaybeFlush();
    return queued;
}

std::size_t CommPort::Read(std::uint8_t *data, std::size_t count) {
    if (rx_.empty()) Refill();
    return rx_.Pop(data, count);
}

std::size_t CommPort::OutputQueued() const { return std::min(tx_.size() + line_pending_, tx_.capacity()); }

// A byte written to a quiet line leaves at once. Bytes written in a quick
// stream are collected and handed over together, once a batch is full or a
// clock tick has passed, so a sender working byte by byte still moves them
// in large system calls. Every wait flushes whatever is left.
void CommPort::MaybeFlush() {
    if (tx_.empty()) return;
    const std::size_t batch = std::min(kLargestBatch, std::max<std::size_t>(1, tx_.capacity() / 2));
    if (tx_.size() >= batch || tx_.space() == 0 || CoarseMilliseconds() != last_handoff_ms_) Flush();
}

void CommPort::Flush() {
    bool moved = false;
    while (!tx_.empty()) {
        std::span<const std::uint8_t> front = tx_.ReadableRegion();
        const long n = line_->Write(front.data(), front.size());
        if (n <= 0) break;
        tx_.Consume(static_cast<std::size_t>(n));
        moved = true;
        if (static_cast<std::size_t>(n) < front.size()) break;
    }
    if (moved) {
        last_handoff_ms_ = CoarseMilliseconds();
        line_pending_ = line_->PendingOutput();
    }
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
    if (!input_arrived && !line_->LineErrorsAreCheap() && now - last_error_check_ms_ < kErrorCheckIntervalMs) return;
    last_error_check_ms_ = now;
    pending_errors_ |= line_->TakeLineErrors();
}

void CommPort::Service() {
    MaybeFlush();
    if (rx_.empty()) Refill();
    if (line_pending_ > 0 && tx_.empty()) line_pending_ = line_->PendingOutput();
}

std::uint32_t CommPort::TakeErrors() {
    CollectLineErrors(false);
    const std::uint32_t errors = pending_errors_;
    pending_errors_ = 0;
    return errors;
}

void CommPort::Purge(bool output, bool input) {
    if (output) {
        tx_.clear();
        line_pending_ = 0;
    }
    if (input) rx_.clear();
    line_->Purge(output, input);
}

void CommPort::Drain(int milliseconds) {
    const std::int64_t deadline = CoarseMilliseconds() + milliseconds;
    Flush();
    while (!tx_.empty() && CoarseMilliseconds() < deadline) {
        line_->WaitForActivity(10, true);
        Flush();
    }
}

void CommPort::WaitForActivity(int milliseconds) {
    Flush();
    if (!rx_.empty()) return;
    line_->WaitForActivity(milliseconds, !tx_.empty());
}

}  // namespace portkit::posix
