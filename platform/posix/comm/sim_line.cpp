#include "platform/posix/comm/sim_line.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/posix/comm/win32_comm.h"

namespace portkit::posix {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReceiveBufferSize = 65536;  // the far end's "kernel" buffer
constexpr std::size_t kLineBuffer = 1u << 20;      // bytes a slow line holds while sending

int EndIndex(char end) { return (end == 'a' || end == 'A') ? 0 : (end == 'b' || end == 'B') ? 1 : -1; }

// Bytes travelling from one end towards the other.
struct Direction {
    std::deque<std::uint8_t> on_wire;  // accepted, still being sent
    std::deque<std::uint8_t> arrived;  // at the receiving end, not yet read
    Clock::time_point line_busy_until{};
};

struct Cable {
    std::mutex mutex;
    std::condition_variable changed;
    bool open[2] = {false, false};
    bool was_open[2] = {false, false};  // an end closed after it was open has hung up
    Direction toward[2];                // toward[i]: bytes travelling to end i
    std::uint32_t bytes_per_second = 0;
    bool dtr[2] = {false, false};
    bool rts[2] = {false, false};
    bool ring[2] = {false, false};
    std::uint32_t errors[2] = {0, 0};  // CE_ bits pending at end i

    // Delivers the bytes whose transmission has finished by now.
    void Advance(Clock::time_point now) {
        if (bytes_per_second == 0) return;
        const auto byte_time = std::chrono::nanoseconds(1000000000LL / bytes_per_second);
        for (int to = 0; to < 2; ++to) {
            Direction &direction = toward[to];
            bool delivered = false;
            while (!direction.on_wire.empty() && direction.line_busy_until + byte_time <= now) {
                direction.line_busy_until += byte_time;
                if (direction.arrived.size() < kReceiveBufferSize) {
                    direction.arrived.push_back(direction.on_wire.front());
                } else {
                    errors[to] |= CE_OVERRUN;
                }
                direction.on_wire.pop_front();
                delivered = true;
            }
            if (delivered) changed.notify_all();
        }
    }
};

std::mutex registry_mutex;
std::map<std::string, std::weak_ptr<Cable>> registry;

std::shared_ptr<Cable> FindCable(const std::string &name) {
    std::lock_guard<std::mutex> registry_lock(registry_mutex);
    auto found = registry.find(name);
    return found == registry.end() ? nullptr : found->second.lock();
}

class SimEnd final : public LineEndpoint {
public:
    SimEnd(std::shared_ptr<Cable> cable, int end) : cable_(std::move(cable)), me_(end), peer_(1 - end) {}

    ~SimEnd() override {
        std::lock_guard<std::mutex> lock(cable_->mutex);
        cable_->open[me_] = false;
        cable_->dtr[me_] = cable_->rts[me_] = false;
        cable_->changed.notify_all();
    }

    long Write(const std::uint8_t *data, std::size_t count) override {
        std::lock_guard<std::mutex> lock(cable_->mutex);
        const auto now = Clock::now();
        cable_->Advance(now);
        Direction &outgoing = cable_->toward[peer_];
        std::size_t accepted = 0;
        if (cable_->bytes_per_second == 0) {
            const std::size_t room = kReceiveBufferSize - std::min(kReceiveBufferSize, outgoing.arrived.size());
            accepted = std::min(room, count);
            outgoing.arrived.insert(outgoing.arrived.end(), data, data + accepted);
        } else {
            if (outgoing.on_wire.empty() && outgoing.line_busy_until < now) outgoing.line_busy_until = now;
            const std::size_t room = kLineBuffer - std::min(kLineBuffer, outgoing.on_wire.size());
            accepted = std::min(room, count);
            outgoing.on_wire.insert(outgoing.on_wire.end(), data, data + accepted);
        }
        if (accepted > 0) cable_->changed.notify_all();
        return static_cast<long>(accepted);
    }

    long Read(std::uint8_t *data, std::size_t count) override {
        std::lock_guard<std::mutex> lock(cable_->mutex);
        cable_->Advance(Clock::now());
        std::deque<std::uint8_t> &incoming = cable_->toward[me_].arrived;
        const std::size_t n = std::min(count, incoming.size());
        std::copy_n(incoming.begin(), n, data);
        incoming.erase(incoming.begin(), incoming.begin() + static_cast<std::ptrdiff_t>(n));
        return static_cast<long>(n);
    }

    std::size_t PendingOutput() override {
        std::lock_guard<std::mutex> lock(cable_->mutex);
        cable_->Advance(Clock::now());
        return cable_->toward[peer_].on_wire.size();
    }

    bool Apply(const LineSettings &) override { return true; }

    // The far end closed: the cable is as good as unplugged.
    bool HungUp() const override {
        std::lock_guard<std::mutex> lock(cable_->mutex);
        return cable_->was_open[peer_] && !cable_->open[peer_];
    }

    bool SetDtr(bool on) override {
        SetLine(cable_->dtr[me_], on);
        return true;
    }
    bool SetRts(bool on) override {
        SetLine(cable_->rts[me_], on);
        return true;
    }

    bool SetBreak(bool on) override {
        if (!on) return true;
        std::lock_guard<std::mutex> lock(cable_->mutex);
        cable_->errors[peer_] |= CE_BREAK;
        cable_->changed.notify_all();
        return true;
    }

    std::uint32_t ModemStatus() override {
        std::lock_guard<std::mutex> lock(cable_->mutex);
        std::uint32_t status = 0;
        if (cable_->rts[peer_]) status |= MS_CTS_ON;
        if (cable_->dtr[peer_]) status |= MS_DSR_ON | MS_RLSD_ON;
        if (cable_->ring[me_]) status |= MS_RING_ON;
        return status;
    }

    std::uint32_t TakeLineErrors() override {
        std::lock_guard<std::mutex> lock(cable_->mutex);
        const std::uint32_t errors = cable_->errors[me_];
        cable_->errors[me_] = 0;
        return errors;
    }

    bool QueriesAreCheap() const override { return true; }

    void Purge(bool output, bool input) override {
        std::lock_guard<std::mutex> lock(cable_->mutex);
        if (output) cable_->toward[peer_].on_wire.clear();
        if (input) cable_->toward[me_].arrived.clear();
    }

    // The cable wakes only for itself: with other descriptors to serve
    // (a window's), the wait is cut short enough that they are served
    // between turns without a visible delay.
    void WaitForActivity(int milliseconds, bool, bool want_input, std::span<pollfd> also) override {
        if (!also.empty()) milliseconds = std::min(milliseconds, kWaitWithOthersMs);
        std::unique_lock<std::mutex> lock(cable_->mutex);
        const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            const auto now = Clock::now();
            cable_->Advance(now);
            const bool input = want_input && !cable_->toward[me_].arrived.empty();
            if (input || cable_->errors[me_] != 0 || now >= deadline) return;
            // Wake for the next byte due on a slow line as well as for the peer.
            auto wake = deadline;
            if (cable_->bytes_per_second != 0) {
                wake = std::min(wake, now + std::chrono::microseconds(1000000 / cable_->bytes_per_second + 1));
            }
            cable_->changed.wait_until(lock, wake);
        }
    }

private:
    static constexpr int kWaitWithOthersMs = 10;

    void SetLine(bool &line, bool on) {
        std::lock_guard<std::mutex> lock(cable_->mutex);
        line = on;
        cable_->changed.notify_all();
    }

    std::shared_ptr<Cable> cable_;
    int me_;
    int peer_;
};

}  // namespace

std::unique_ptr<LineEndpoint> OpenSimEnd(const std::string &name, char end) {
    const int index = EndIndex(end);
    if (index < 0 || name.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    std::lock_guard<std::mutex> registry_lock(registry_mutex);
    std::shared_ptr<Cable> cable = registry[name].lock();
    if (!cable) {
        cable = std::make_shared<Cable>();
        registry[name] = cable;
    }
    std::lock_guard<std::mutex> lock(cable->mutex);
    if (cable->open[index]) {
        errno = EBUSY;
        return nullptr;
    }
    cable->open[index] = true;
    cable->was_open[index] = true;
    cable->errors[index] = 0;
    return std::make_unique<SimEnd>(cable, index);
}

}  // namespace portkit::posix

namespace portkit::sim {

using posix::Cable;
using posix::EndIndex;
using posix::FindCable;

bool SetLineRate(const std::string &name, std::uint32_t bytes_per_second) {
    std::shared_ptr<Cable> cable = FindCable(name);
    if (!cable) return false;
    std::lock_guard<std::mutex> lock(cable->mutex);
    cable->Advance(posix::Clock::now());
    cable->bytes_per_second = bytes_per_second;
    return true;
}

bool InjectLineErrors(const std::string &name, char end, std::uint32_t ce_bits) {
    std::shared_ptr<Cable> cable = FindCable(name);
    const int index = EndIndex(end);
    if (!cable || index < 0) return false;
    std::lock_guard<std::mutex> lock(cable->mutex);
    cable->errors[index] |= ce_bits;
    cable->changed.notify_all();
    return true;
}

bool SetRing(const std::string &name, char end, bool on) {
    std::shared_ptr<Cable> cable = FindCable(name);
    const int index = EndIndex(end);
    if (!cable || index < 0) return false;
    std::lock_guard<std::mutex> lock(cable->mutex);
    cable->ring[index] = on;
    cable->changed.notify_all();
    return true;
}

std::size_t BytesInFlight(const std::string &name, char end) {
    std::shared_ptr<Cable> cable = FindCable(name);
    const int index = EndIndex(end);
    if (!cable || index < 0) return 0;
    std::lock_guard<std::mutex> lock(cable->mutex);
    cable->Advance(posix::Clock::now());
    return cable->toward[index].on_wire.size();
}

}  // namespace portkit::sim
