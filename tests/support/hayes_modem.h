// A simulated Hayes modem serving a file descriptor (a kernel pty master,
// whose slave the library opens) from its own thread. It keeps a transcript
// of every byte the host sent, can ring, and can be paused: a paused modem
// reads nothing, so the line fills up.
#ifndef PORTKIT_TESTS_SUPPORT_HAYES_MODEM_H
#define PORTKIT_TESTS_SUPPORT_HAYES_MODEM_H

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "support/hayes_engine.h"

namespace portkit::test {

class HayesModem {
public:
    using DialOutcome = HayesEngine::DialOutcome;

    // Serves `fd` (not owned; made non-blocking) until destroyed.
    explicit HayesModem(int fd, HayesOptions options = {});
    ~HayesModem();
    HayesModem(const HayesModem &) = delete;
    HayesModem &operator=(const HayesModem &) = delete;

    void SetDialOutcome(const std::string &number, DialOutcome outcome);
    // Sends RING (and answers after S0 rings when S0 > 0); false while off hook.
    bool Ring();
    // Once Pause(true) returns, nothing more is read until Pause(false).
    void Pause(bool paused);

    std::string Transcript() const;
    // The transcript once it holds at least `length` bytes, or at the time-out.
    std::string WaitForTranscript(std::size_t length, int timeout_ms = 2000) const;
    void ClearTranscript();
    HayesEngine::Mode mode() const;

private:
    void Serve();

    int fd_;
    mutable std::mutex mutex_;
    mutable std::condition_variable heard_;
    HayesEngine engine_;
    std::string transcript_;
    bool paused_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;  // last: starts once everything it uses is built
};

// The outcome named by NUMBER=TEXT options: CONNECT, NO CARRIER, BUSY,
// NO DIALTONE or NONE (silence). False for anything else.
bool ParseDialOutcome(const std::string &text, HayesModem::DialOutcome *outcome);

}  // namespace portkit::test

#endif
