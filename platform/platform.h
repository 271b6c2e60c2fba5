// The operating-system services the portable code needs. Everything that
// touches the OS lives behind these calls, under platform/win32 or
// platform/posix.
#ifndef PORTKIT_PLATFORM_PLATFORM_H
#define PORTKIT_PLATFORM_PLATFORM_H

#include <cstdint>

struct PortStructure;

namespace portkit::platform {

// Milliseconds from an arbitrary start, wrapping at 32 bits.
std::uint32_t TickCount();

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

}  // namespace portkit::platform

#endif
