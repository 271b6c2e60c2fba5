#include "support/noisy_relay.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <stdexcept>

namespace portkit::test {
namespace {

// How long the thread may sleep before it looks for a stop.
constexpr int kPollMs = 10;
constexpr std::size_t kChunk = 4096;

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

// One direction: bytes read from `from`, damaged now and then, queued for
// `to`. Nothing more is read while the queue holds bytes, so a slow reader
// holds the writer back as a real line would.
struct NoisyRelay::Lane {
    Lane(int from_fd, int to_fd, unsigned one_in, unsigned seed, unsigned direction)
        : from(from_fd), to(to_fd), noisy(one_in != 0) {
        std::seed_seq seeds{seed, direction};
        random.seed(seeds);
        if (noisy) {
            gap = std::geometric_distribution<long>(1.0 / one_in);
            clean_left = gap(random);
        }
    }

    bool Idle() const { return written == pending.size(); }

    // Appends `byte` as it leaves the relay: whole, bit-flipped, dropped, or
    // after a random byte.
    void Pass(unsigned char byte) {
        if (!noisy || clean_left-- > 0) {
            pending += static_cast<char>(byte);
            return;
        }
        clean_left = gap(random);
        switch (random() % 3) {
            case 0:
                pending += static_cast<char>(byte ^ (1u << (random() % 8)));
                ++flipped;
                break;
            case 1:
                ++dropped;
                break;
            default:
                pending += static_cast<char>(random() & 0xFF);
                pending += static_cast<char>(byte);
                ++inserted;
                break;
        }
    }

    void Take() {
        unsigned char chunk[kChunk];
        const ssize_t n = read(from, chunk, sizeof chunk);
        if (n < 0 && !WouldBlock(errno)) open = false;
        if (n <= 0) return;
        pending.clear();
        written = 0;
        for (ssize_t i = 0; i < n; ++i) Pass(chunk[i]);
        relayed += static_cast<std::size_t>(n);
    }

    void Give() {
        if (Idle()) return;
        const ssize_t n = write(to, pending.data() + written, pending.size() - written);
        if (n > 0)
            written += static_cast<std::size_t>(n);
        else if (n < 0 && !WouldBlock(errno))
            open = false;
    }

    NoiseCounts Counts() const { return {relayed, flipped, dropped, inserted}; }

    const int from;
    const int to;
    const bool noisy;
    bool open = true;
    std::string pending;
    std::size_t written = 0;
    std::mt19937 random;
    std::geometric_distribution<long> gap;
    long clean_left = 0;  // bytes to pass whole before the next fault
    std::atomic<std::size_t> relayed{0}, flipped{0}, dropped{0}, inserted{0};
};

NoisyRelay::NoisyRelay(unsigned one_in, unsigned seed) : near_(OpenPty()), far_(OpenPty()) {
    toward_far_ = std::make_unique<Lane>(near_.master, far_.master, one_in, seed, 1);
    toward_near_ = std::make_unique<Lane>(far_.master, near_.master, one_in, seed, 2);
    thread_ = std::thread([this] { Run(); });
}

NoisyRelay::~NoisyRelay() {
    Stop();
    for (const Pty *pty : {&near_, &far_}) {
        close(pty->master);
        close(pty->slave);
    }
}

NoisyRelay::Pty NoisyRelay::OpenPty() {
    Pty pty;
    char name[128] = {};
    if (openpty(&pty.master, &pty.slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    pty.path = name;
    termios tio{};
    tcgetattr(pty.slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(pty.slave, TCSANOW, &tio);
    fcntl(pty.master, F_SETFL, fcntl(pty.master, F_GETFL) | O_NONBLOCK);
    return pty;
}

void NoisyRelay::MapNearToPort(int port_number) const {
    setenv(("PORTKIT_COM" + std::to_string(port_number + 1)).c_str(), near_.path.c_str(), 1);
}

void NoisyRelay::MapFarToPort(int port_number) const {
    setenv(("PORTKIT_COM" + std::to_string(port_number + 1)).c_str(), far_.path.c_str(), 1);
}

std::vector<std::string> NoisyRelay::FarCommand(const std::string &command) const {
    // Reopening the peer's own terminal first makes that its controlling
    // terminal, so opening the far end does not.
    return {"sh", "-c", "exec 3</proc/self/fd/0 <>" + far_.path + " >&0 3<&-; " + command};
}

void NoisyRelay::Stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
}

NoiseCounts NoisyRelay::TowardFar() const { return toward_far_->Counts(); }
NoiseCounts NoisyRelay::TowardNear() const { return toward_near_->Counts(); }

std::string NoisyRelay::Summary() const {
    auto describe = [](const NoiseCounts &counts) {
        return std::to_string(counts.relayed) + " bytes, " + std::to_string(counts.flipped) + " flipped, " +
               std::to_string(counts.dropped) + " dropped, " + std::to_string(counts.inserted) + " inserted";
    };
    return "toward far: " + describe(TowardFar()) + "; toward near: " + describe(TowardNear());
}

void NoisyRelay::Run() {
    Lane *lanes[] = {toward_far_.get(), toward_near_.get()};
    while (!stopping_) {
        // Each lane waits either for bytes to take or for room to give them.
        pollfd fds[2];
        nfds_t count = 0;
        for (const Lane *lane : lanes) {
            if (!lane->open) continue;
            fds[count++] = lane->Idle() ? pollfd{lane->from, POLLIN, 0} : pollfd{lane->to, POLLOUT, 0};
        }
        poll(fds, count, kPollMs);
        for (Lane *lane : lanes) {
            if (!lane->open) continue;
            if (lane->Idle()) lane->Take();
            lane->Give();
        }
    }
}

}  // namespace portkit::test
