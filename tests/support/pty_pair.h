// A kernel pty pair for tests: portkit opens the slave by port number, the
// test works the master.
#ifndef PORTKIT_TESTS_SUPPORT_PTY_PAIR_H
#define PORTKIT_TESTS_SUPPORT_PTY_PAIR_H

#include <string>

namespace portkit::test {

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    int master() const { return master_; }
    int slave() const { return slave_; }  // kept open for reading settings back
    const std::string &slave_path() const { return slave_path_; }

    // Maps port number `port_number` (0-based) to the slave via PORTKIT_COM<n+1>.
    void MapToPort(int port_number) const;

    // Reads from the master until `count` bytes came or `timeout_ms` passed.
    std::string ReadMaster(std::size_t count, int timeout_ms = 2000) const;
    void WriteMaster(const std::string &bytes) const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slave_path_;
};

// Speed the kernel holds for a terminal, including arbitrary rates.
unsigned KernelSpeed(int fd);

// Reads non-blocking `fd` until `count` bytes came or `timeout_ms` passed.
std::string ReadFor(int fd, std::size_t count, int timeout_ms);
// Writes all of `bytes` to non-blocking `fd`, waiting for room as needed.
void WriteAll(int fd, const std::string &bytes);

}  // namespace portkit::test

#endif
