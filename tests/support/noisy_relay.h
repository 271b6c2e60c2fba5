// A noisy line for transfer tests: two kernel pty pairs joined by a thread
// that copies bytes between their masters and, at a set rate, flips a bit of
// a byte, drops it, or slips a random byte in. Our port opens the near
// slave; the peer (lrzsz, or another of our engines) the far one. A fixed
// seed fixes which bytes are hit and how, though not the timing around them.
#ifndef PORTKIT_TESTS_SUPPORT_NOISY_RELAY_H
#define PORTKIT_TESTS_SUPPORT_NOISY_RELAY_H

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace portkit::test {

// What the relay did to the bytes going one way.
struct NoiseCounts {
    std::size_t relayed = 0;  // bytes taken from the sending side
    std::size_t flipped = 0;
    std::size_t dropped = 0;
    std::size_t inserted = 0;
    std::size_t faults() const { return flipped + dropped + inserted; }
};

class NoisyRelay {
public:
    // Each byte is hit with a chance of 1 in `one_in` (0: a clean line); the
    // two directions draw from their own generators, both seeded from `seed`.
    NoisyRelay(unsigned one_in, unsigned seed);
    ~NoisyRelay();
    NoisyRelay(const NoisyRelay &) = delete;
    NoisyRelay &operator=(const NoisyRelay &) = delete;

    // Maps port number `port_number` (0-based) to one end via PORTKIT_COM<n+1>.
    void MapNearToPort(int port_number) const;
    void MapFarToPort(int port_number) const;
    const std::string &near_path() const { return near_.path; }
    const std::string &far_path() const { return far_.path; }

    // A PeerProcess command line running the shell command `command` with
    // the far end as standard input and output. The far end never becomes
    // the peer's controlling terminal, whose hang-up at the peer's exit
    // would end the line.
    std::vector<std::string> FarCommand(const std::string &command) const;

    // Ends the relaying; safe to repeat. Bytes still in flight are lost.
    void Stop();

    NoiseCounts TowardFar() const;
    NoiseCounts TowardNear() const;
    // One line for a test's output: both directions' counts.
    std::string Summary() const;

private:
    struct Pty {
        int master = -1;
        int slave = -1;  // held open so the master never reads as hung up
        std::string path;
    };
    struct Lane;

    static Pty OpenPty();
    void Run();

    Pty near_;
    Pty far_;
    std::unique_ptr<Lane> toward_far_;
    std::unique_ptr<Lane> toward_near_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

}  // namespace portkit::test

#endif
