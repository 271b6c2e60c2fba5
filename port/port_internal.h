// Internal services of the port core shared by the other subsystems.
#ifndef PORTKIT_PORT_PORT_INTERNAL_H
#define PORTKIT_PORT_PORT_INTERNAL_H

#include <cstdint>

#include "portkit/port.h"

namespace portkit {

// The calling thread's nearest deadline still ahead, kept so that the
// default idle wait can sleep until it rather than wake every millisecond.
void NoteDeadline(std::int32_t deadline, std::int32_t now);
// Milliseconds to that deadline, or 0 when none is ahead.
std::int32_t MillisecondsToNearestDeadline();

// Deadlines are tick values; comparing the signed distance keeps a wait
// correct across the 32-bit wrap of the tick count.
inline std::int32_t DeadlineAfter(std::int32_t milliseconds) {
    const std::int32_t now = ElapsedTime();
    const auto deadline =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(now) + static_cast<std::uint32_t>(milliseconds));
    NoteDeadline(deadline, now);
    return deadline;
}
inline bool DeadlineReached(std::int32_t deadline, std::int32_t now) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(deadline) - static_cast<std::uint32_t>(now)) <= 0;
}
// A wait that finds its deadline still ahead notes it again, so that once a
// nearer deadline has passed the idle wait still knows how long it may sleep.
inline bool DeadlineReached(std::int32_t deadline) {
    const std::int32_t now = ElapsedTime();
    if (DeadlineReached(deadline, now)) return true;
    NoteDeadline(deadline, now);
    return false;
}

// Settings record a port's waits use: its own, else the process's.
DSInstanceData *SettingsOf(PortStructure *port);

// One turn of a wait: calls the idle hook in force for the port.
int RunIdleHook(PortStructure *port);

int DefaultPortIdleFunction(PortStructure *port);
int DefaultAbortModemFunction(PortStructure *port);
const char *DefaultErrorNameFunction(int code);

// Open-port list, newest first.
void LinkOpenPort(PortStructure *port);
void UnlinkOpenPort(PortStructure *port);
PortStructure *FirstOpenPort();

// Installs the 24 default slot routines.
void InstallDefaultSlots(PortStructure *port);

bool IsOutOfMemoryPort(const PortStructure *port);

}  // namespace portkit

#endif
