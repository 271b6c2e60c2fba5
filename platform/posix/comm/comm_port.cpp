#include "platform/posix/comm/comm_port.h"

#include <algorithm>
#include <ctime>

namespace portkit::posix {
namespace {

constexpr std::size_t kDefaultQueueSize = 4096;
// The receive ring is never smaller than this, whatever queue size the
// caller asks for (a size is a recommendation, as on Windows): a read takes
// all a terminal holds at once, and a protocol reader scans long runs in
// place instead of a kilobyte at a time.
constexpr std::size_t kLeastReceiveRing = 16384;
constexpr std::int64_t kErrorCheckIntervalMs = 1;
// Held output is a batch of its own, whatever the transmit queue's size: a
// ZMODEM subpacket (about 1,100 bytes on the wire) must not be split by a
// queue of 1,050 into a write, an idle turn and another write.
constexpr std::size_t kHeldBatch = 65536;
// Waits for the line to drain or to take more are cut this short: no
// descriptor tells when a terminal's output queue has emptied, and the
// simulated cable wakes only for input.
constexpr int kOutputWaitMs = 1;
// How long bytes still held when holding ends may take to reach the line.
constexpr std::int64_t kHandOverMs = 2000;

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
    : magic_(kMagic),
      line_(std::move(line)),
      queries_cheap_(line_->QueriesAreCheap()),
      rx_(kLeastReceiveRing),
      tx_queue_size_(kDefaultQueueSize) {}

CommPort::~CommPort() { magic_ = 0; }

void CommPort::ResizeQueues(std::size_t rx_size, std::size_t tx_size) {
    // Bytes already received are kept as far as they fit.
    ByteQueue old_rx = std::move(rx_);
    rx_ = ByteQueue(std::max(rx_size, kLeastReceiveRing));
    std::uint8_t chunk[256];
    while (!old_rx.empty() && rx_.space() > 0) {
        const std::size_t n = old_rx.Pop(chunk, std::min(sizeof chunk, rx_.space()));
        rx_.Push(chunk, n);
    }
    tx_queue_size_ = tx_size;
}

std::size_t CommPort::Write(const std::uint8_t *data, std::size_t count) {
    if (count == 0) {
        // A writer told the queue is full waits for input, not for room.
        if (held_.empty()) line_refused_ = false;
        return 0;
    }
    after_write_ = true;
    return holding_ ? Hold(data, count) : WriteThrough(data, count);
}

std::size_t CommPort::WriteThrough(const std::uint8_t *data, std::size_t count) {
    // Bytes still held from before go first, so the order on the line is kept.
    if (!FlushHeldOutput()) return 0;
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

// While the line refuses bytes held, nothing more is taken: the writer, told
// the queue is full, waits in its idle turn for the descriptor to take them,
// and stays no further ahead of a slow line than the line's own buffer.
std::size_t CommPort::Hold(const std::uint8_t *data, std::size_t count) {
    if (line_refused_ && !FlushHeldOutput()) return 0;
    // A terminal's kernel refuses what its buffer cannot take; a line that
    // takes everything (the simulated cable) is full, as the kernel's would
    // be, once it holds a queue's worth, and asking it costs nothing.
    if (queries_cheap_) {
        RefreshLinePending(CoarseMilliseconds());
        if (line_pending_ >= tx_queue_size_) return 0;
    }
    if (held_.empty()) held_since_ms_ = CoarseMilliseconds();
    std::size_t done = 0;
    for (;;) {
        done += held_.Append(data + done, count - done, kHeldBatch);
        if (held_.size() < kHeldBatch) return done;
        // A full batch goes at once.
        FlushHeldOutput();
        if (line_refused_) return done;
    }
}

bool CommPort::FlushHeldOutput() {
    if (held_.empty()) return true;
    while (!held_.empty()) {
        const long n = line_->Write(held_.data(), held_.size());
        if (n <= 0) break;
        held_.Consume(static_cast<std::size_t>(n));
        line_pending_ += static_cast<std::size_t>(n);
    }
    line_refused_ = !held_.empty();
    return !line_refused_;
}

void CommPort::HoldOutput(bool hold) {
    if (hold) held_.Reserve(kHeldBatch);
    holding_ = hold;
    if (!hold) HandOverHeldOutput();
}

// A batch can be larger than what the line takes at once, and once holding
// ends (or the port closes) nothing may come along to send the rest: the
// descriptor is waited on until it has taken everything, the line goes, or
// the time is up.
void CommPort::HandOverHeldOutput() {
    const std::int64_t give_up = CoarseMilliseconds() + kHandOverMs;
    while (!FlushHeldOutput() && !line_->HungUp()) {
        const std::int64_t left = give_up - CoarseMilliseconds();
        if (left <= 0) break;
        line_->WaitForActivity(static_cast<int>(std::min<std::int64_t>(left, kOutputWaitMs)), true, false, {});
    }
}

std::size_t CommPort::Read(std::uint8_t *data, std::size_t count) {
    after_write_ = false;
    if (rx_.empty()) {
        FlushHeldOutput();  // a reader finding nothing waits for the answer to what it wrote
        Refill(CoarseMilliseconds());
    }
    return rx_.Pop(data, count);
}

// The clock is read once per look. A look that comes straight after a write,
// in the same tick as the last refill, leaves the empty receive queue alone:
// a writer going a byte at a time would otherwise pay a read system call per
// byte, and every engine goes on to a wait or another look, which refill.
CommPort::QueueLook CommPort::Look() {
    const std::int64_t now = CoarseMilliseconds();
    // A look without a write before it means the writer has paused (a reader
    // polling, an idle hook that does not wait): held output goes now.
    // A batch that fills the transmit queue goes too once a clock tick old,
    // so that a writer streaming to a slow line learns it is full while what
    // it sent is still recent; within the tick it grows, and a fast line
    // (and the program reading its far end) gets large writes. A line that
    // is cheap to ask takes it at once, as a kernel queue of that size would.
    const bool batch_due = held_.size() >= tx_queue_size_ && (queries_cheap_ || now != held_since_ms_);
    if (!after_write_ || batch_due) FlushHeldOutput();
    const bool writing = after_write_ && now == last_refill_ms_;
    after_write_ = false;
    if (rx_.empty() && !writing) {
        Refill(now);
    } else {
        CollectLineErrors(false, now);
    }
    const QueueLook look{pending_errors_, rx_.size(), OutputQueued(now), LineGone()};
    pending_errors_ = 0;
    return look;
}

// Asking the kernel costs a system call, so after a write the count is
// raised by what was written and asked afresh once a clock tick has passed,
// or when it would look full to a writer that the queue's size limits (held
// writes are not: their count is an upper bound until the next tick or
// wait). Held bytes are reported as queued, since a caller waiting for the
// queue to empty must wait for them too.
std::size_t CommPort::OutputQueued(std::int64_t now) {
    const bool looks_full = !holding_ && line_pending_ >= tx_queue_size_;
    if (line_pending_ > 0 && (queries_cheap_ || looks_full || now != line_pending_checked_ms_)) {
        RefreshLinePending(now);
    }
    return std::min(line_pending_ + held_.size(), tx_queue_size_);
}

void CommPort::RefreshLinePending(std::int64_t now) {
    line_pending_ = line_->PendingOutput();
    line_pending_checked_ms_ = now;
}

void CommPort::Refill(std::int64_t now) {
    last_refill_ms_ = now;
    bool arrived = false;
    while (rx_.space() > 0) {
        std::span<std::uint8_t> room = rx_.WritableRegion();
        const long n = line_->Read(room.data(), room.size());
        if (n <= 0) break;
        rx_.Commit(static_cast<std::size_t>(n));
        arrived = true;
        if (static_cast<std::size_t>(n) < room.size()) break;
    }
    CollectLineErrors(arrived, now);
}

// Line errors come with received data, or alone (a break on an idle line),
// so they are looked at whenever data arrived and otherwise once a tick at
// most, where asking costs a system call.
void CommPort::CollectLineErrors(bool input_arrived, std::int64_t now) {
    if (!input_arrived && !queries_cheap_ && now - last_error_check_ms_ < kErrorCheckIntervalMs) return;
    last_error_check_ms_ = now;
    pending_errors_ |= line_->TakeLineErrors();
}

void CommPort::Purge(bool output, bool input) {
    if (output) {
        held_.clear();
        line_pending_ = 0;
        line_refused_ = false;
    } else if (input) {
        FlushHeldOutput();  // written before the purge, so on its way as it would be in a kernel queue
    }
    if (input) rx_.clear();
    line_->Purge(output, input);
}

// A writer held up by the queue size goes on at once when the line has
// drained meanwhile, and waits for room when the line itself refused bytes;
// anyone else waits for input.
void CommPort::WaitForActivity(int milliseconds, std::span<pollfd> also) {
    after_write_ = false;  // input may come meanwhile: the next look refills
    FlushHeldOutput();
    // A caller waiting for output to drain must see it drained next time.
    if (line_pending_ > 0 && line_pending_ < tx_queue_size_) RefreshLinePending(CoarseMilliseconds());
    // Input already queued is the reader's to take; a wait with input left
    // unread (a pause, a drain) is for news. What the line holds is queued
    // first, so counts grow and a full queue does not keep the wait awake.
    bool watch_input = true;
    if (!rx_.empty()) {
        const std::size_t before = rx_.size();
        Refill(CoarseMilliseconds());
        if (rx_.size() > before) return;
        watch_input = rx_.space() > 0;
    }
    if (line_pending_ >= tx_queue_size_ && tx_queue_size_ > 0) {
        RefreshLinePending(CoarseMilliseconds());
        if (line_pending_ < tx_queue_size_) return;
    }
    if (line_refused_ || line_pending_ > 0) milliseconds = std::min(milliseconds, kOutputWaitMs);
    line_->WaitForActivity(milliseconds, line_refused_, watch_input, also);
}

}  // namespace portkit::posix
