// A pty pair for benchmarks, opened as two portkit ports or used plainly.
#ifndef PORTKIT_BENCH_PTY_LINK_H
#define PORTKIT_BENCH_PTY_LINK_H

#include <string>

#include "portkit/portkit.h"

namespace portkit::bench {

class PtyLink {
public:
    PtyLink();
    ~PtyLink();
    int master() const { return master_; }
    int slave() const { return slave_; }

    // Opens the slave and the master as portkit ports `first` and `first+1`.
    void OpenPorts(int first, PortStructure **slave_port, PortStructure **master_port) const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slave_path_;
};

double Seconds();

}  // namespace portkit::bench

#endif
