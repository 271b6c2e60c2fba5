#include "support/hayes_modem.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace portkit::test {
namespace {

constexpr int kTurnMs = 2;  // how often timed events are looked at

}  // namespace

HayesModem::HayesModem(int fd, HayesOptions options) : fd_(fd), engine_(std::move(options)) {
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    thread_ = std::thread([this] { Serve(); });
}

HayesModem::~HayesModem() {
    stop_ = true;
    thread_.join();
}

void HayesModem::SetDialOutcome(const std::string &number, DialOutcome outcome) {
    std::lock_guard<std::mutex> lock(mutex_);
    engine_.SetDialOutcome(number, outcome);
}

bool HayesModem::Ring() {
    std::lock_guard<std::mutex> lock(mutex_);
    return engine_.Ring(HayesEngine::Clock::now());
}

void HayesModem::Pause(bool paused) {
    std::lock_guard<std::mutex> lock(mutex_);  // reads happen under the lock
    paused_ = paused;
}

std::string HayesModem::Transcript() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return transcript_;
}

std::string HayesModem::WaitForTranscript(std::size_t length, int timeout_ms) const {
    std::unique_lock<std::mutex> lock(mutex_);
    heard_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return transcript_.size() >= length; });
    return transcript_;
}

void HayesModem::ClearTranscript() {
    std::lock_guard<std::mutex> lock(mutex_);
    transcript_.clear();
}

HayesEngine::Mode HayesModem::mode() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return engine_.mode();
}

// Output that the line does not take at once waits here, in order, so a
// host that stops reading never loses the modem's replies. A pty master
// with no slave open reports a hang-up: the host has closed the line.
void HayesModem::Serve() {
    std::string to_host;
    while (!stop_) {
        bool reading = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            reading = !paused_;
        }
        pollfd fd{fd_, static_cast<short>((reading ? POLLIN : 0) | (to_host.empty() ? 0 : POLLOUT)), 0};
        poll(&fd, 1, kTurnMs);
        const bool hung_up = (fd.revents & (POLLHUP | POLLERR)) != 0;
        ssize_t n = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const auto now = HayesEngine::Clock::now();
            char chunk[512];
            // Input the host wrote before closing is still read first.
            if (!paused_ && (fd.revents & (POLLIN | POLLHUP)) != 0) n = read(fd_, chunk, sizeof chunk);
            if (n > 0) {
                transcript_.append(chunk, static_cast<std::size_t>(n));
                engine_.FromHost(std::string_view(chunk, static_cast<std::size_t>(n)), now);
                heard_.notify_all();
            } else if (hung_up) {
                engine_.HostHungUp();
            }
            engine_.Advance(now);
            to_host += engine_.TakeOutput();
        }
        if (hung_up && n <= 0) {
            to_host.clear();                                                  // nobody to read it
            std::this_thread::sleep_for(std::chrono::milliseconds(kTurnMs));  // poll would not wait
        }
        if (!to_host.empty()) {
            const ssize_t written = write(fd_, to_host.data(), to_host.size());
            if (written > 0) to_host.erase(0, static_cast<std::size_t>(written));
        }
    }
}

bool ParseDialOutcome(const std::string &text, HayesModem::DialOutcome *outcome) {
    static const std::pair<const char *, HayesModem::DialOutcome> kNames[] = {
        {"CONNECT", HayesModem::DialOutcome::kConnect},
        {"NO CARRIER", HayesModem::DialOutcome::kNoCarrier},
        {"BUSY", HayesModem::DialOutcome::kBusy},
        {"NO DIALTONE", HayesModem::DialOutcome::kNoDialtone},
        {"NONE", HayesModem::DialOutcome::kSilence}};
    for (const auto &[name, value] : kNames) {
        if (text == name) {
            *outcome = value;
            return true;
        }
    }
    return false;
}

}  // namespace portkit::test
