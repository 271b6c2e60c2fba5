#include <poll.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/posix/comm/comm_port.h"
#include "platform/posix/base/event_sources.h"
#include "portkit/event_source.h"

namespace portkit::posix {
namespace {

struct EventSource {
    int fd;
    PortEventCallback callback;
    void *context;
    std::int64_t due_ms;  // negative: only on input
};

// Never destroyed: a source may be removed from an exit handler.
std::vector<EventSource> &Sources() {
    static auto *sources = new std::vector<EventSource>;
    return *sources;
}

std::int64_t DueAt(int after_ms) { return after_ms < 0 ? -1 : CoarseMilliseconds() + after_ms; }

}  // namespace

void EventSourceWatches(std::vector<pollfd> *watches, int *wait_ms) {
    watches->clear();
    const std::int64_t now = CoarseMilliseconds();
    for (const EventSource &source : Sources()) {
        watches->push_back({source.fd, POLLIN, 0});
        if (source.due_ms >= 0) *wait_ms = static_cast<int>(std::clamp<std::int64_t>(source.due_ms - now, 0, *wait_ms));
    }
}

void ServeEventSources(int wait_ms) {
    auto &sources = Sources();
    if (sources.empty()) return;
    const std::int64_t now = CoarseMilliseconds();
    std::vector<pollfd> fds;
    for (const EventSource &source : sources) {
        fds.push_back({source.fd, POLLIN, 0});
        if (source.due_ms >= 0) wait_ms = static_cast<int>(std::clamp<std::int64_t>(source.due_ms - now, 0, wait_ms));
    }
    if (poll(fds.data(), fds.size(), wait_ms) < 0) return;
    const std::int64_t after = CoarseMilliseconds();
    // A callback may add or remove sources: each is looked up again by its
    // descriptor before it runs.
    for (const pollfd &polled : fds) {
        auto source = std::find_if(sources.begin(), sources.end(),
                                   [&](const EventSource &entry) { return entry.fd == polled.fd; });
        if (source == sources.end()) continue;
        const bool due = source->due_ms >= 0 && source->due_ms <= after;
        if (polled.revents == 0 && !due) continue;
        const EventSource run = *source;
        const std::int64_t next = DueAt(run.callback(run.context));
        source =
            std::find_if(sources.begin(), sources.end(), [&](const EventSource &entry) { return entry.fd == run.fd; });
        if (source != sources.end() && source->callback == run.callback) source->due_ms = next;
    }
}

}  // namespace portkit::posix

extern "C" {

PORTKIT_API void AddPortEventSource(int fd, PortEventCallback callback, void *context, int first_call_ms) {
    RemovePortEventSource(fd);
    if (fd < 0 || callback == nullptr) return;
    portkit::posix::Sources().push_back({fd, callback, context, portkit::posix::DueAt(first_call_ms)});
}

PORTKIT_API void RemovePortEventSource(int fd) {
    auto &sources = portkit::posix::Sources();
    std::erase_if(sources, [fd](const auto &source) { return source.fd == fd; });
}

}  // extern "C"
