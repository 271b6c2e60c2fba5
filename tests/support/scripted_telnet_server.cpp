#include "support/scripted_telnet_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "support/loopback_tcp.h"

namespace portkit::test {
namespace {

using Clock = std::chrono::steady_clock;

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK || error == EINTR; }

}  // namespace

std::string ComPortSubnegotiation(unsigned char command, const std::string &value) {
    std::string bytes = "\xff\xfa\x2c";
    bytes += static_cast<char>(command);
    for (const char byte : value) bytes.append(byte == '\xff' ? 2 : 1, byte);
    return bytes + "\xff\xf0";
}

ScriptedTelnetServer::ScriptedTelnetServer() {
    listener_ = ListenOnLoopback(0, &port_);
    int wake[2];
    if (listener_ < 0 || pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        if (listener_ >= 0) close(listener_);
        throw std::runtime_error("scripted server: no listening socket");
    }
    fcntl(listener_, F_SETFL, fcntl(listener_, F_GETFL) | O_NONBLOCK);
    wake_read_ = wake[0];
    wake_write_ = wake[1];
    thread_ = std::thread([this] { Run(); });
}

ScriptedTelnetServer::~ScriptedTelnetServer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    Wake();
    thread_.join();
    for (const int fd : {client_, listener_, wake_read_, wake_write_}) {
        if (fd >= 0) close(fd);
    }
}

std::string ScriptedTelnetServer::rfc2217_url() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }
std::string ScriptedTelnetServer::tcp_url() const { return "tcp://127.0.0.1:" + std::to_string(port_); }

void ScriptedTelnetServer::Send(const std::string &bytes) { Queue({Action::kSend, bytes, 0}); }

void ScriptedTelnetServer::SendInPieces(const std::vector<std::string> &pieces, int pause_ms) {
    for (std::size_t i = 0; i < pieces.size(); ++i) Queue({Action::kSend, pieces[i], i == 0 ? 0 : pause_ms});
}

void ScriptedTelnetServer::Close() { Queue({Action::kClose, {}, 0}); }
void ScriptedTelnetServer::Reset() { Queue({Action::kReset, {}, 0}); }

void ScriptedTelnetServer::AnswerEach(const std::string &trigger, const std::string &reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back({trigger, reply, received_.size()});
}

void ScriptedTelnetServer::StopAnswering() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        answering_ = false;
        answers_.clear();
    }
    Wake();
}

bool ScriptedTelnetServer::WaitForClient(int timeout_ms, std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return clients_ >= count; });
}

bool ScriptedTelnetServer::WaitForReceived(const std::string &bytes, int timeout_ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                             [&] { return received_.find(bytes) != std::string::npos; });
}

bool ScriptedTelnetServer::WaitForClientClose(int timeout_ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return client_closed_; });
}

std::string ScriptedTelnetServer::Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

std::size_t ScriptedTelnetServer::clients() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return clients_;
}

void ScriptedTelnetServer::Queue(Step step) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        steps_.push_back(std::move(step));
    }
    Wake();
}

void ScriptedTelnetServer::Wake() const {
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = write(wake_write_, &byte, 1);  // a full pipe wakes the thread as well
}

void ScriptedTelnetServer::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        pollfd fds[3] = {{wake_read_, POLLIN, 0}, {listener_, POLLIN, 0}, {-1, 0, 0}};
        if (client_ >= 0 && answering_) {
            fds[2].fd = client_;
            fds[2].events = static_cast<short>((client_closed_ ? 0 : POLLIN) | (writing_.empty() ? 0 : POLLOUT));
            // A closed socket reports its hang-up to every poll: not watched
            // once there is nothing more to read or write.
            if (fds[2].events == 0) fds[2].fd = -1;
        }
        const int timeout = PollTimeout();
        lock.unlock();
        poll(fds, 3, timeout);
        char drained[64];
        while (read(wake_read_, drained, sizeof drained) > 0) {
        }
        lock.lock();
        if (stopping_) break;
        if (fds[1].revents & POLLIN) Accept();
        if (client_ >= 0 && fds[2].fd == client_ && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) Receive();
        TakeNextStep();
    }
}

void ScriptedTelnetServer::Accept() {
    const int fd = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    // Each write goes out as it is made, so split commands arrive split.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (client_ >= 0) close(client_);
    client_ = fd;
    client_closed_ = false;
    ++clients_;
    received_.clear();
    writing_.clear();
    step_due_ = {};
    for (Answer &answer : answers_) answer.searched_from = 0;
    changed_.notify_all();
}

void ScriptedTelnetServer::Receive() {
    char chunk[65536];
    const ssize_t n = recv(client_, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n > 0) {
        received_.append(chunk, static_cast<std::size_t>(n));
        QueueAnswers();
    } else if (n == 0 || !WouldBlock(errno)) {
        client_closed_ = true;
    }
    changed_.notify_all();
}

void ScriptedTelnetServer::QueueAnswers() {
    for (Answer &answer : answers_) {
        std::size_t at;
        while ((at = received_.find(answer.trigger, answer.searched_from)) != std::string::npos) {
            steps_.push_back({Action::kSend, answer.reply, 0});
            answer.searched_from = at + answer.trigger.size();
        }
    }
}

void ScriptedTelnetServer::TakeNextStep() {
    while (client_ >= 0 && answering_) {
        if (!writing_.empty()) {
            const ssize_t n = send(client_, writing_.data(), writing_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) writing_.erase(0, static_cast<std::size_t>(n));
            if (n < 0 && !WouldBlock(errno)) {
                // The client went away; what was left for it is dropped.
                writing_.clear();
                client_closed_ = true;
                changed_.notify_all();
            }
            if (!writing_.empty() || n <= 0) return;
            continue;
        }
        if (steps_.empty()) return;
        const Clock::time_point now = Clock::now();
        if (step_due_ == Clock::time_point{}) step_due_ = now + std::chrono::milliseconds(steps_.front().pause_ms);
        if (now < step_due_) return;
        Step step = std::move(steps_.front());
        steps_.pop_front();
        step_due_ = {};
        switch (step.action) {
            case Action::kSend:
                writing_ = std::move(step.bytes);
                break;
            case Action::kClose:
                // A half close: the client still gets to send, so nothing of
                // its lies unread here (which would turn the close into a reset).
                shutdown(client_, SHUT_WR);
                break;
            case Action::kReset:
                ResetClient();
                break;
        }
    }
}

void ScriptedTelnetServer::ResetClient() {
    const linger abort{1, 0};
    setsockopt(client_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    close(client_);
    client_ = -1;
    writing_.clear();
    step_due_ = {};
}

int ScriptedTelnetServer::PollTimeout() const {
    if (client_ < 0 || !answering_ || !writing_.empty() || steps_.empty() || step_due_ == Clock::time_point{})
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(step_due_ - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace portkit::test
