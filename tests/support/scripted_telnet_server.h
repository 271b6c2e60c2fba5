// A scripted server on 127.0.0.1 for the network ports' tests: what no real
// server behind a pty shows (modem-state notifications, flow-control
// suspends, malformed or endless subnegotiations, floods, commands split
// across writes, resets). It runs on a thread of its own; the test queues
// bytes and actions, which go out in order, and waits for what the client
// sent. One client at a time: a new connection replaces the current one.
#ifndef PORTKIT_TESTS_SUPPORT_SCRIPTED_TELNET_SERVER_H
#define PORTKIT_TESTS_SUPPORT_SCRIPTED_TELNET_SERVER_H

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace portkit::test {

// IAC SB COM-PORT-OPTION `command` `value` IAC SE, with any IAC in the value
// doubled: a server's notifications are `command` + 100 (NOTIFY-MODEMSTATE
// is 107).
std::string ComPortSubnegotiation(unsigned char command, const std::string &value);

class ScriptedTelnetServer {
public:
    // Listens on a free port at once; throws when it cannot.
    ScriptedTelnetServer();
    // Drops any client and joins the thread.
    ~ScriptedTelnetServer();
    ScriptedTelnetServer(const ScriptedTelnetServer &) = delete;
    ScriptedTelnetServer &operator=(const ScriptedTelnetServer &) = delete;

    unsigned port() const { return port_; }
    std::string rfc2217_url() const;  // "rfc2217://127.0.0.1:N"
    std::string tcp_url() const;      // "tcp://127.0.0.1:N"

    // Queued for the current client (or the next, if none is connected):
    // bytes, written once the bytes before them are; each piece as a write
    // of its own, `pause_ms` after the previous one; an orderly close; a
    // reset (SO_LINGER 0).
    void Send(const std::string &bytes);
    void SendInPieces(const std::vector<std::string> &pieces, int pause_ms);
    void Close();
    void Reset();
    // Sends `reply` each time `trigger` arrives from now on (counted from
    // the bytes received after this call), until StopAnswering().
    void AnswerEach(const std::string &trigger, const std::string &reply);
    // Stops reading, answering and sending: the connection stays open and
    // the client's writes back up.
    void StopAnswering();

    // Bounded waits: for the `count`th client to have connected, for
    // `bytes` to be among what the current client sent, for the client to
    // have closed its end. False on time-out.
    bool WaitForClient(int timeout_ms, std::size_t count = 1);
    bool WaitForReceived(const std::string &bytes, int timeout_ms);
    bool WaitForClientClose(int timeout_ms);

    // Everything the current client sent so far.
    std::string Received() const;
    std::size_t clients() const;

private:
    enum class Action { kSend, kClose, kReset };
    struct Step {
        Action action;
        std::string bytes;
        int pause_ms = 0;  // before the step starts
    };
    struct Answer {
        std::string trigger;
        std::string reply;
        std::size_t searched_from;
    };

    void Queue(Step step);
    void Wake() const;
    void Run();
    void Accept();
    void Receive();
    void QueueAnswers();
    void TakeNextStep();
    void ResetClient();
    int PollTimeout() const;

    int listener_ = -1;
    int wake_read_ = -1;
    int wake_write_ = -1;
    unsigned port_ = 0;
    std::thread thread_;

    // Shared with the thread, under mutex_.
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    bool answering_ = true;
    int client_ = -1;
    bool client_closed_ = false;
    std::size_t clients_ = 0;
    std::string received_;
    std::deque<Step> steps_;
    std::vector<Answer> answers_;
    // The step being written: bytes left, and when it may start.
    std::string writing_;
    std::chrono::steady_clock::time_point step_due_{};
};

}  // namespace portkit::test

#endif
