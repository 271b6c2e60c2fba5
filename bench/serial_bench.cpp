// Serial path benchmarks, each a ratio against plain system calls measured
// side by side in the same run over the same kind of pty pair.
//   bulk:      WriteBufferTimed/ReadBufferTimed vs write()/read(), 20 MB
//   per-char:  WriteCharTimed/ReadCharTimed vs bulk write()/read(), 4 MB
//   char-held: the driver's WriteChar slot with output held, as a transfer
//              runs it, against bulk write(), 16 MB; goal an absolute rate
//   char-thru: the same slot written through, as outside a transfer, 512 kB
//   char-read: the driver's ReadChar slot against bulk read(), 16 MB
//   waiting:   CPU used by ReadCharTimed(port, 2000) on a silent line
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "port/port_internal.h"
#include "pty_link.h"

namespace portkit::bench {
namespace {

constexpr std::size_t kChunk = 65536;
constexpr int kRounds = 3;

// Plain blocking-free write()/read() of `total` bytes in `chunk` pieces.
double PlainTransfer(std::size_t total, std::size_t chunk) {
    PtyLink link;
    for (int fd : {link.master(), link.slave()}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::vector<char> data(chunk, 'p');
    const double start = Seconds();
    std::thread reader([&] {
        std::vector<char> in(chunk);
        std::size_t got = 0;
        while (got < total) {
            const ssize_t n = read(link.master(), in.data(), in.size());
            if (n > 0) {
                got += static_cast<std::size_t>(n);
            } else {
                pollfd fd{link.master(), POLLIN, 0};
                poll(&fd, 1, 1);
            }
        }
    });
    std::size_t sent = 0;
    while (sent < total) {
        const ssize_t n = write(link.slave(), data.data(), std::min(chunk, total - sent));
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else {
            pollfd fd{link.slave(), POLLOUT, 0};
            poll(&fd, 1, 1);
        }
    }
    reader.join();
    return Seconds() - start;
}

double OursBulk(std::size_t total, int queue_size) {
    PtyLink link;
    SetDefaultBufferSize(queue_size, queue_size);
    PortStructure *writer = nullptr;
    PortStructure *reader = nullptr;
    link.OpenPorts(40, &writer, &reader);
    std::vector<char> out(total, 'o');
    std::vector<char> in(total);
    const double start = Seconds();
    std::thread receiving([&] { ReadBufferTimed(reader, in.data(), static_cast<unsigned>(total), 60000); });
    const int written = WriteBufferTimed(writer, out.data(), static_cast<unsigned>(total), 60000);
    receiving.join();
    const double elapsed = Seconds() - start;
    if (written != 0 || PWGetPortCount(reader) != static_cast<int>(total) || in != out) {
        std::fprintf(stderr, "bulk transfer failed: %d, %d bytes\n", written, PWGetPortCount(reader));
    }
    PWPortClose(writer);
    PWPortClose(reader);
    SetDefaultBufferSize(1050, 1050);
    return elapsed;
}

double OursPerCharacter(std::size_t total) {
    PtyLink link;
    PortStructure *writer = nullptr;
    PortStructure *reader = nullptr;
    link.OpenPorts(40, &writer, &reader);
    std::size_t mismatches = 0;
    const double start = Seconds();
    std::thread receiving([&] {
        for (std::size_t i = 0; i < total; ++i) {
            if (ReadCharTimed(reader, 10000) != static_cast<int>(i & 0xFF)) ++mismatches;
        }
    });
    for (std::size_t i = 0; i < total; ++i) WriteCharTimed(writer, static_cast<int>(i & 0xFF), 10000);
    receiving.join();
    const double elapsed = Seconds() - start;
    if (mismatches != 0) std::fprintf(stderr, "per-character transfer: %zu bytes wrong\n", mismatches);
    PWPortClose(writer);
    PWPortClose(reader);
    return elapsed;
}

// Reads `total` bytes of the i & 0xFF pattern from `fd`; the bytes that break it.
std::size_t DrainPattern(int fd, std::size_t total) {
    std::vector<unsigned char> in(kChunk);
    std::size_t got = 0;
    std::size_t wrong = 0;
    while (got < total) {
        const ssize_t n = read(fd, in.data(), std::min(in.size(), total - got));
        if (n <= 0) {
            pollfd wait{fd, POLLIN, 0};
            poll(&wait, 1, 1);
            continue;
        }
        for (ssize_t i = 0; i < n; ++i, ++got) wrong += in[static_cast<std::size_t>(i)] != (got & 0xFF);
    }
    return wrong;
}

void FeedPattern(int fd, std::size_t total) {
    std::vector<unsigned char> out(kChunk + 256);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<unsigned char>(i);
    std::size_t sent = 0;
    while (sent < total) {
        // Starting at sent mod 256 keeps the pattern running across writes.
        const ssize_t n = write(fd, out.data() + (sent & 0xFF), std::min(kChunk, total - sent));
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else {
            pollfd wait{fd, POLLOUT, 0};
            poll(&wait, 1, 1);
        }
    }
}

// Our port on the pty's slave; the master stays a plain descriptor.
PortStructure *OpenSlavePort(const PtyLink &link) {
    PortStructure *slave = nullptr;
    PortStructure *master = nullptr;
    link.OpenPorts(40, &slave, &master);
    PWPortClose(master);
    fcntl(link.master(), F_SETFL, fcntl(link.master(), F_GETFL) | O_NONBLOCK);
    return slave;
}

// Bytes through the driver's WriteChar slot, as XferSendChar sends them:
// an idle turn whenever the queue refuses.
double OursWriteCharSlot(std::size_t total, bool hold) {
    PtyLink link;
    PortStructure *port = OpenSlavePort(link);
    std::size_t wrong = 0;
    const double start = Seconds();
    std::thread reader([&] { wrong = DrainPattern(link.master(), total); });
    portkit::platform::HoldPortOutput(port, hold);
    for (std::size_t i = 0; i < total; ++i) {
        while (port->functions.WriteChar(port, static_cast<int>(i & 0xFF)) != 0) portkit::RunIdleHook(port);
    }
    portkit::platform::HoldPortOutput(port, false);
    reader.join();
    const double elapsed = Seconds() - start;
    if (wrong != 0) std::fprintf(stderr, "WriteChar transfer: %zu bytes wrong\n", wrong);
    PWPortClose(port);
    return elapsed;
}

double OursReadCharSlot(std::size_t total) {
    PtyLink link;
    PortStructure *port = OpenSlavePort(link);
    std::size_t wrong = 0;
    const double start = Seconds();
    std::thread writer([&] { FeedPattern(link.master(), total); });
    for (std::size_t i = 0; i < total; ++i) {
        int c = 0;
        while ((c = port->functions.ReadChar(port)) < 0) portkit::RunIdleHook(port);
        wrong += c != static_cast<int>(i & 0xFF);
    }
    writer.join();
    const double elapsed = Seconds() - start;
    if (wrong != 0) std::fprintf(stderr, "ReadChar transfer: %zu bytes wrong\n", wrong);
    PWPortClose(port);
    return elapsed;
}

double ThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

template <typename Run>
double Best(Run run) {
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) best = std::min(best, run());
    return best;
}

void Report(const char *name, double ours, double plain, double megabytes, double goal) {
    const double ratio = plain / ours;
    std::printf("%-10s ours %7.1f MB/s   plain %7.1f MB/s   ratio %.2fx   goal >= %.1fx  %s\n", name, megabytes / ours,
                megabytes / plain, ratio, goal, ratio >= goal ? "met" : "NOT MET");
}

void ReportRate(const char *name, double ours, double megabytes, double plain_rate, double goal) {
    const double rate = megabytes / ours;
    std::printf("%-10s ours %7.1f MB/s   plain %7.1f MB/s   ratio %.2fx", name, rate, plain_rate, rate / plain_rate);
    if (goal > 0) std::printf("   goal >= %.0f MB/s  %s", goal, rate >= goal ? "met" : "NOT MET");
    std::printf("\n");
}

}  // namespace
}  // namespace portkit::bench

int main() {
    using namespace portkit::bench;
    constexpr std::size_t kBulk = 20u << 20;
    constexpr std::size_t kPerChar = 4u << 20;

    const double plain_bulk = Best([] { return PlainTransfer(kBulk, kChunk); });
    const double ours_bulk = Best([] { return OursBulk(kBulk, static_cast<int>(kChunk)); });
    Report("bulk", ours_bulk, plain_bulk, 20, 0.9);

    const double plain_small = Best([] { return PlainTransfer(kBulk, 1050); });
    const double ours_small = Best([] { return OursBulk(kBulk, 1050); });
    Report("bulk-1050", ours_small, plain_small, 20, 0.9);

    const double plain_chars = Best([] { return PlainTransfer(kPerChar, kChunk); });
    const double ours_chars = Best([] { return OursPerCharacter(kPerChar); });
    Report("per-char", ours_chars, plain_chars, 4, 0.5);

    constexpr std::size_t kSlotChars = 16u << 20;
    constexpr std::size_t kThroughChars = 512u << 10;
    const double plain_rate = 20 / plain_bulk;
    ReportRate("char-held", Best([] { return OursWriteCharSlot(kSlotChars, true); }), 16, plain_rate, 20);
    ReportRate("char-thru", Best([] { return OursWriteCharSlot(kThroughChars, false); }), 0.5, plain_rate, 0);
    ReportRate("char-read", Best([] { return OursReadCharSlot(kSlotChars); }), 16, plain_rate, 20);

    PtyLink link;
    PortStructure *quiet = nullptr;
    PortStructure *other = nullptr;
    link.OpenPorts(40, &quiet, &other);
    const double cpu_start = ThreadCpuSeconds();
    const double wall_start = Seconds();
    const int result = ReadCharTimed(quiet, 2000);
    const double wall = Seconds() - wall_start;
    const double cpu = ThreadCpuSeconds() - cpu_start;
    std::printf(
        "waiting    ReadCharTimed(2000) on a silent line: result %d, wall %.3f s, CPU %.4f s = %.2f%%"
        "   goal < 1%%  %s\n",
        result, wall, cpu, 100 * cpu / wall, cpu / wall < 0.01 ? "met" : "NOT MET");
    PWPortClose(quiet);
    PWPortClose(other);
    return 0;
}
