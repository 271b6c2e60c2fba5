// A TCP server on 127.0.0.1 that a test plays itself, on its own thread:
// a client's connect completes from the listen queue, so the test accepts
// after the library has opened its port, then sends and reads between the
// library's calls.
#ifndef PORTKIT_TESTS_SUPPORT_LOOPBACK_LISTENER_H
#define PORTKIT_TESTS_SUPPORT_LOOPBACK_LISTENER_H

#include <cstddef>
#include <string>

namespace portkit::test {

class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener &) = delete;
    LoopbackListener &operator=(const LoopbackListener &) = delete;

    // scheme://127.0.0.1:PORT
    std::string Url(const char *scheme) const;
    // Takes the waiting client; false when none came within two seconds.
    bool Accept();
    // All of `bytes` to the client; false when it could not take them.
    bool Send(const std::string &bytes);
    // What the client has sent, until `count` bytes came or 200 ms passed
    // without any.
    std::string Receive(std::size_t count = static_cast<std::size_t>(1) << 20);
    void Close();
    // Closes with a reset rather than an orderly end.
    void Reset();
    // No more connections: the next connect is refused.
    void StopListening();

private:
    int listening_ = -1;
    int peer_ = -1;
    int port_ = 0;
};

}  // namespace portkit::test

#endif
