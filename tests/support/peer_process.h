// A real protocol peer (lrzsz, kermit) running in a child process on one end
// of a kernel pty pair, with portkit's port on the other end.
#ifndef PORTKIT_TESTS_SUPPORT_PEER_PROCESS_H
#define PORTKIT_TESTS_SUPPORT_PEER_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

#include "portkit/port.h"
#include "support/scratch_files.h"

namespace portkit::test {

class PeerProcess {
public:
    // Starts `argv` in `directory` with the pty's slave as standard input and
    // output; its standard error goes to `directory`/peer.log.
    PeerProcess(const std::vector<std::string> &argv, const std::string &directory);
    ~PeerProcess();
    PeerProcess(const PeerProcess &) = delete;
    PeerProcess &operator=(const PeerProcess &) = delete;

    // Opens our end of the line as port `port_number`.
    PortStructure *OpenPort(int port_number) const;

    // Waits for the peer to end; its exit status, or -1 when it had to be
    // killed after `timeout_ms`.
    int Wait(int timeout_ms = 30000);
    std::string Log() const;

private:
    pid_t pid_ = -1;
    int master_ = -1;
    std::string directory_;
};

long ModificationTime(const std::string &path);
void SetModificationTime(const std::string &path, long seconds);
// Gives the file `permissions` and returns the mode a file header carries
// for it, in octal ("100640").
std::string CarriedModeOf(const std::string &path, unsigned permissions);

}  // namespace portkit::test

#endif
