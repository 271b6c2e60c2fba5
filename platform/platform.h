// The operating-system services the portable code needs. Everything that
// touches the OS lives behind these calls, under platform/win32 or
// platform/posix.
#ifndef PORTKIT_PLATFORM_PLATFORM_H
#define PORTKIT_PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

struct PortStructure;

namespace portkit::platform {

// The system's code for the reason the last failing communications call of
// this thread failed (errno on POSIX, GetLastError() on Windows), 0 if none
// is known, and the system's words for a code.
int LastSystemError();
std::string SystemErrorText(int code);

// Milliseconds from an arbitrary start, wrapping at 32 bits: the system's
// clock, or the one a test stands in for it.
std::uint32_t TickCount();

// The system's millisecond clock itself.
std::uint32_t SystemTickCount();

// Puts a clock of the caller's in place of the system's for every later
// TickCount (nullptr puts the system's back). Tests use it to let long
// time-outs pass without waiting them out.
using ClockFunction = std::uint32_t (*)();
void ReplaceClock(ClockFunction clock);

// Seconds field (0..59) of the current local time.
int LocalSeconds();

// The key under which the calling thread finds its settings record. It is
// the same value in every thread of the process.
void *CurrentThreadKey();

// What the default idle hook does between looks at the clock: keep the
// calling thread's windows alive, or wait briefly for the port to stir.
void IdleWait(PortStructure *port);

// Tells the idle wait which communications handle stands behind a port, so
// that it can wait on that device; detach before the handle closes.
void AttachPortWait(PortStructure *port, void *comm_handle);
void DetachPortWait(PortStructure *port);

// While a transfer runs, lets the serial driver's output collect in user
// space and reach the line in batches (at the next wait, read or look at the
// queues); turning it off hands over what is held. Nothing happens for other
// drivers, nor on Windows, whose kernel queues output anyway.
void HoldPortOutput(PortStructure *port, bool hold);
// True while the port's output is held: a write then goes to the batch,
// which the transmit queue's size does not limit.
bool PortOutputHeld(PortStructure *port);

// The first contiguous run of input a port's receive queue holds, without
// taking it, so a protocol reader can scan it in place; DropQueuedInput then
// takes `count` bytes of it. Empty for drivers whose queue is not ours to
// look into (and on Windows, where the kernel keeps it): callers fall back
// to reading a byte at a time.
std::span<const std::uint8_t> PeekQueuedInput(PortStructure *port);
void DropQueuedInput(PortStructure *port, std::size_t count);
// True when PeekQueuedInput shows the port's queue, even while it is empty.
bool InputQueueVisible(PortStructure *port);

// While an emulator draws one batch of input, lets what the console layer
// sends the terminal collect and go out in one write when the batch ends,
// rather than one write per drawing call. Holds nest. Nothing on Windows,
// whose console is not reached through writes of ours.
void HoldConsoleOutput(bool hold);

class ConsoleOutputBatch {
public:
    ConsoleOutputBatch() { HoldConsoleOutput(true); }
    ~ConsoleOutputBatch() { HoldConsoleOutput(false); }
    ConsoleOutputBatch(const ConsoleOutputBatch &) = delete;
    ConsoleOutputBatch &operator=(const ConsoleOutputBatch &) = delete;
};

}  // namespace portkit::platform

#endif
