// Ending the library's waits from the tool: every wait inside a call (a
// transfer's read, a send on a busy line, a read with a time-out) calls the
// process's idle hook on each turn, and a negative answer ends it at once.
#ifndef PORTKIT_TOOLS_TRANSFER_WAIT_STOP_H
#define PORTKIT_TOOLS_TRANSFER_WAIT_STOP_H

namespace portkit::tool {

// While one lives, each turn of a wait first asks `stop`; when it says yes
// the wait ends with "User abort" (-16), and so does every wait after it.
// Otherwise the turn waits as the hook before it did. One at a time.
class WaitStop {
public:
    explicit WaitStop(bool (*stop)());
    ~WaitStop();
    WaitStop(const WaitStop &) = delete;
    WaitStop &operator=(const WaitStop &) = delete;
};

}  // namespace portkit::tool

#endif
