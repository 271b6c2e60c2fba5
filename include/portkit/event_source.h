/*
 * portkit event sources (POSIX): descriptors other than the ports that the
 * library's default idle wait serves, so that a window system's connection
 * stays alive inside the library's waits, on the application's own thread.
 *
 * The callback runs from a wait when `fd` is readable, or when the time it
 * last asked for has come. It returns the milliseconds until it wants to
 * run again without input: 0 at the next wait, negative only on input.
 * The first call is asked for with `first_call_ms` the same way. One source
 * per descriptor; adding a descriptor again replaces its callback.
 */
#ifndef PORTKIT_EVENT_SOURCE_H
#define PORTKIT_EVENT_SOURCE_H

#include "portkit/export.h"
#include "portkit/port.h"

PORTKIT_BEGIN_DECLS

#if !defined(_WIN32)
typedef int (*PortEventCallback)(void *context);

PORTKIT_API void AddPortEventSource(int fd, PortEventCallback callback, void *context, int first_call_ms);
PORTKIT_API void RemovePortEventSource(int fd);

/*
 * One turn of the idle wait, where PortKillTime would take many: returns
 * when `port` has news (input, room to write, a hang-up), an event source's
 * descriptor is readable, or at the latest after `milliseconds`. For a loop
 * that serves a port and descriptors of its own (a keyboard) without either
 * waiting on the other. Returns what the idle function returned.
 */
PORTKIT_API int WaitForPortEvent(PortStructure *port, int milliseconds);
#endif

PORTKIT_END_DECLS

#endif
