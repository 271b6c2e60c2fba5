// Waiting string reads, ending at a terminator character or at CR LF.
#include "timedio/timedio_internal.h"

namespace portkit::timedio {
namespace {

// The caller's buffer with one byte kept back for the terminating zero.
class StringBuffer {
public:
    StringBuffer(char *buffer, unsigned int size) : buffer_(buffer), room_(size - 1) {}

    bool Put(int c) {
        if (stored_ == room_) return false;
        buffer_[stored_++] = static_cast<char>(c);
        return true;
    }

    // Every way out of a read ends here, so the string is always terminated
    // and count always tells what was stored.
    int End(PortStructure *port, int result) {
        buffer_[stored_] = '\0';
        port->count = static_cast<int32_t>(stored_);
        return result;
    }

private:
    char *buffer_;
    unsigned int room_;
    unsigned int stored_ = 0;
};

int Overflow(PortStructure *port, StringBuffer &out) {
    port->status = PORTKIT_USER_BUFFER_OVERFLOW;
    return out.End(port, PORTKIT_USER_BUFFER_OVERFLOW);
}

}  // namespace
}  // namespace portkit::timedio

using portkit::timedio::kCR;
using portkit::timedio::kLF;
using portkit::timedio::Overflow;

extern "C" {

// A CR is held back until the next character shows whether it begins a
// CR LF line ending; only then, or at a time-out with a character
// terminator, is it stored.
PORTKIT_API int ReadStringTimed(PortStructure *port, char *buffer, unsigned int size, int terminator, int timeout) {
    if (size < 2 || !portkit::timedio::TerminatorInRange(terminator)) {
        if (size >= 1) buffer[0] = '\0';
        port->status = PORTKIT_INVALID_PARAMETER;
        return PORTKIT_INVALID_PARAMETER;
    }
    const bool line_mode = terminator < 0;
    const portkit::timedio::WaitLimit limit(timeout);
    portkit::timedio::StringBuffer out(buffer, size);
    int previous = 0;
    for (;;) {
        const int c = port->functions.ReadChar(port);
        if (c == PORTKIT_BUFFER_EMPTY) {
            if (limit.Expired()) {
                // In line mode the held CR may be half of an ending; it is dropped.
                if (previous == kCR && !line_mode && !out.Put(kCR)) return Overflow(port, out);
                return out.End(port, PORTKIT_BUFFER_EMPTY);
            }
            const int idle_result = portkit::RunIdleHook(port);
            if (idle_result < 0) return out.End(port, idle_result);
            continue;
        }
        if (c < 0) {
            port->status = c;
            return out.End(port, c);
        }
        if (c == kLF && previous == kCR && line_mode) return out.End(port, port->status);
        if (previous == kCR && !out.Put(kCR)) return Overflow(port, out);
        if (c == terminator) return out.End(port, port->status);
        previous = c;
        if (c == kCR) continue;
        if (!out.Put(c)) return Overflow(port, out);
    }
}

PORTKIT_API int ReadString(PortStructure *port, char *buffer, unsigned int size, int terminator) {
    return ReadStringTimed(port, buffer, size, terminator, 0);
}

}  // extern "C"
