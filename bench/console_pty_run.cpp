#include "console_pty_run.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "memory_port.h"
#include "portkit/screen.h"
#include "pty_link.h"

namespace portkit::bench {

double RunConsoleOnPty(const std::vector<char> &stream) {
    PtyLink screen;
    PtyLink keyboard;  // a terminal nobody types at
    const winsize size{25, 80, 0, 0};
    ioctl(screen.slave(), TIOCSWINSZ, &size);

    std::atomic<bool> finished{false};
    std::thread drain([&] {
        char buffer[65536];
        while (!finished.load(std::memory_order_relaxed)) {
            pollfd ready{screen.master(), POLLIN, 0};
            if (poll(&ready, 1, 10) > 0 && read(screen.master(), buffer, sizeof buffer) < 0) break;
        }
    });

    MemoryPort source(stream);
    EmulatorRecord *record = CreateAnsiConsoleEmulator(source.port(), PORTKIT_CONSOLE_FD(keyboard.slave()),
                                                       PORTKIT_CONSOLE_FD(screen.slave()));
    double elapsed = 0;
    if (record != nullptr) {
        const double start = Seconds();
        while (!source.Drained()) record->process_input(record);
        elapsed = Seconds() - start;
        record->destroy(record);
    }
    finished = true;
    drain.join();
    return record != nullptr ? elapsed : 1e9;
}

}  // namespace portkit::bench
