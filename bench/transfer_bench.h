// Timing a protocol's file transfers over a pty pair: a peer program to a
// peer program (the baseline), ours to the peer, the peer to ours, and ours
// to ours, each run side by side in the same process run.
#ifndef PORTKIT_BENCH_TRANSFER_BENCH_H
#define PORTKIT_BENCH_TRANSFER_BENCH_H

#include <sys/resource.h>

#include <cstddef>
#include <filesystem>
#include <string>

#include "portkit/portkit.h"

namespace portkit::bench {

// User and system seconds in `usage`, and this process's so far.
double CpuSeconds(const rusage &usage);
double OwnCpuSeconds();

struct TransferBench {
    std::string label;  // "zmodem 20 MB"
    std::size_t file_size;
    int rounds;
    std::string peer_send;     // shell command sending random.bin, run in the send directory
    std::string peer_receive;  // shell command receiving into the current directory
    std::string peer_name;     // "sz->rz"
    std::string peer_sender;   // "sz", "rb" ... for the row names
    std::string peer_receiver;
    int (*send)(PortStructure *port, const char *file);  // files sent, or a negative status
    int (*receive)(PortStructure *port);                 // files received, or a negative status
    // A second way of sending (another mode of the protocol), timed too when set.
    int (*send_variant)(PortStructure *port, const char *file) = nullptr;
    std::string variant_name;  // "streaming"
    // Each direction of the line delayed this long by a relay (0: a plain pty pair).
    int link_delay_ms = 0;
};

// A scratch directory with send/random.bin (`size` random bytes, the same
// every run) and an empty recv/, removed with everything in it.
struct BenchDirectories {
    explicit BenchDirectories(std::size_t size);
    ~BenchDirectories();
    BenchDirectories(const BenchDirectories &) = delete;
    BenchDirectories &operator=(const BenchDirectories &) = delete;
    // recv/random.bin holds exactly what send/random.bin does.
    bool TargetIntact() const;

    std::filesystem::path root, source, target;
};

// Seconds on a steady clock.
double Now();

// Runs the four pairings and prints time, throughput, CPU seconds and the
// ratio of each to the baseline; returns 0 when every run delivered the file.
int RunTransferBench(const TransferBench &bench);

}  // namespace portkit::bench

#endif
