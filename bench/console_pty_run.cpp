#include "console_pty_run.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "memory_port.h"
#include "platform/posix/console/console_registry.h"
#include "portkit/screen.h"

namespace portkit::bench {

ConsoleOnPty::ConsoleOnPty() {
    const winsize size{25, 80, 0, 0};
    ioctl(screen_.slave(), TIOCSWINSZ, &size);
    drain_ = std::thread([this] {
        char buffer[65536];
        while (!finished_.load(std::memory_order_relaxed)) {
            pollfd ready{screen_.master(), POLLIN, 0};
            if (poll(&ready, 1, 10) <= 0) continue;
            const ssize_t n = read(screen_.master(), buffer, sizeof buffer);
            if (n < 0) break;
            drained_ += static_cast<std::uint64_t>(n);
        }
    });
}

ConsoleOnPty::~ConsoleOnPty() {
    // The layer's hold on both terminals ends before their descriptors close.
    posix::ReleaseConsole(screen_.slave());
    posix::ReleaseConsole(keyboard_.slave());
    finished_ = true;
    drain_.join();
}

double ConsoleOnPty::Run(const std::vector<char> &stream) {
    MemoryPort source(stream);
    EmulatorRecord *record = CreateAnsiConsoleEmulator(source.port(), PORTKIT_CONSOLE_FD(keyboard_.slave()),
                                                       PORTKIT_CONSOLE_FD(screen_.slave()));
    if (record == nullptr) return 1e9;
    const double start = Seconds();
    while (!source.Drained()) record->process_input(record);
    const double elapsed = Seconds() - start;
    record->destroy(record);
    return elapsed;
}

}  // namespace portkit::bench
