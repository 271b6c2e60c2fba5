// The event sources applications add (portkit/event_source.h), served by the
// idle wait.
#ifndef PORTKIT_PLATFORM_POSIX_BASE_EVENT_SOURCES_H
#define PORTKIT_PLATFORM_POSIX_BASE_EVENT_SOURCES_H

#include <poll.h>

#include <vector>

namespace portkit::posix {

// Waits at most `wait_ms` (less when a source's time comes first) for a
// source's descriptor, then runs the callbacks that are due or have input.
// Returns at once when there are no sources.
void ServeEventSources(int wait_ms);
// The sources' descriptors in place of what `watches` held, for a wait on a
// port to watch as well; cuts `wait_ms` to the time the first callback asks
// to run.
void EventSourceWatches(std::vector<pollfd> *watches, int *wait_ms);

}  // namespace portkit::posix

#endif
