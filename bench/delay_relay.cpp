// Joins two descriptors (two pty masters) and delays every byte by a fixed
// time each way, as a link through a distant SSH server does. Each direction
// keeps at most a couple of megabytes in flight, as an SSH channel's window
// would; beyond that it stops reading and the sender's side fills up.
//
//   delay_relay MILLISECONDS FD_A FD_B
//
// Runs until killed, or until either side has hung up and what it sent
// before has been delivered (a sender's last words, such as ZMODEM's "OO",
// still arrive, as they would over a real link).
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadChunk = 65536;
constexpr std::size_t kMostInFlight = 2u << 20;

struct Chunk {
    Clock::time_point due;
    std::vector<std::uint8_t> bytes;
    std::size_t sent = 0;
};

struct Direction {
    int from;
    int to;
    std::deque<Chunk> queue;
    std::size_t in_flight = 0;
    bool hung_up = false;

    bool WantsInput() const { return !hung_up && in_flight < kMostInFlight; }
    bool Finished() const { return hung_up && queue.empty(); }
    bool Ready(Clock::time_point now) const { return !queue.empty() && queue.front().due <= now; }

    // Notes when `from` has hung up.
    void Take(Clock::time_point now, std::chrono::milliseconds delay) {
        Chunk chunk{now + delay, std::vector<std::uint8_t>(kReadChunk)};
        const ssize_t n = read(from, chunk.bytes.data(), chunk.bytes.size());
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        if (n <= 0) {
            hung_up = true;
            return;
        }
        chunk.bytes.resize(static_cast<std::size_t>(n));
        in_flight += chunk.bytes.size();
        queue.push_back(std::move(chunk));
    }

    // Hands on every chunk that is due, as far as `to` takes it.
    bool Deliver(Clock::time_point now) {
        while (Ready(now)) {
            Chunk &chunk = queue.front();
            const ssize_t n = write(to, chunk.bytes.data() + chunk.sent, chunk.bytes.size() - chunk.sent);
            if (n < 0) return errno == EAGAIN || errno == EINTR;
            chunk.sent += static_cast<std::size_t>(n);
            if (chunk.sent < chunk.bytes.size()) return true;
            in_flight -= chunk.bytes.size();
            queue.pop_front();
        }
        return true;
    }
};

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) return 2;
    const std::chrono::milliseconds delay(std::atoi(argv[1]));
    const int a = std::atoi(argv[2]);
    const int b = std::atoi(argv[3]);
    for (int fd : {a, b}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    Direction directions[2] = {{a, b, {}}, {b, a, {}}};
    for (;;) {
        const Clock::time_point now = Clock::now();
        int timeout = -1;
        pollfd fds[4];
        nfds_t count = 0;
        for (Direction &d : directions) {
            if (!d.Deliver(now) || d.Finished()) return 0;
            if (d.WantsInput()) fds[count++] = {d.from, POLLIN, 0};
            if (d.Ready(now)) {
                fds[count++] = {d.to, POLLOUT, 0};
            } else if (!d.queue.empty()) {
                const auto wait = std::chrono::ceil<std::chrono::milliseconds>(d.queue.front().due - now);
                const int ms = static_cast<int>(std::max<std::int64_t>(wait.count(), 0));
                timeout = timeout < 0 ? ms : std::min(timeout, ms);
            }
        }
        if (poll(fds, count, timeout) < 0 && errno != EINTR) return 1;
        const Clock::time_point woke = Clock::now();
        for (nfds_t i = 0; i < count; ++i) {
            if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0 || fds[i].events != POLLIN) continue;
            for (Direction &d : directions) {
                if (d.from == fds[i].fd) d.Take(woke, delay);
            }
        }
    }
}
