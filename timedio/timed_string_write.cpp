// String writes followed by a terminator: one character, CR LF or nothing.
#include <cstring>

#include "timedio/timedio_internal.h"

namespace portkit::timedio {
namespace {

constexpr char kCrLf[] = {kCR, kLF};

unsigned int LengthOf(const char *string) { return static_cast<unsigned int>(std::strlen(string)); }

int RefuseTerminator(PortStructure *port) {
    port->status = PORTKIT_INVALID_PARAMETER;
    return PORTKIT_INVALID_PARAMETER;
}

}  // namespace
}  // namespace portkit::timedio

using portkit::timedio::LengthOf;
using portkit::timedio::RefuseTerminator;
using portkit::timedio::TerminatorInRange;

extern "C" {

// The port's count ends as the string bytes written, whatever the
// terminator's write stored there.
PORTKIT_API int WriteStringTimed(PortStructure *port, const char *string, int terminator, int timeout) {
    port->count = 0;
    if (!TerminatorInRange(terminator)) return RefuseTerminator(port);
    const portkit::timedio::WaitLimit limit(timeout);
    const int result = portkit::timedio::WriteAllTimed(port, string, LengthOf(string), limit,
                                                       portkit::timedio::FailureStatus::kRestore);
    if (result < 0 || terminator == PORTKIT_TERMINATOR_NONE) return result;
    const int32_t written = port->count;
    const int remaining = limit.Remaining();
    const int terminator_result = terminator == PORTKIT_TERMINATOR_CRLF
                                      ? WriteBufferTimed(port, portkit::timedio::kCrLf, 2, remaining)
                                      : WriteCharTimed(port, terminator, remaining);
    port->count = written;
    return terminator_result;
}

// The terminator is not sent after a string that did not go out whole.
PORTKIT_API int WriteString(PortStructure *port, const char *string, int terminator) {
    port->count = 0;
    if (!TerminatorInRange(terminator)) return RefuseTerminator(port);
    const unsigned int length = LengthOf(string);
    port->functions.WriteBuffer(port, string, length);
    const auto written = static_cast<int32_t>(portkit::timedio::MovedBy(port, length));
    port->count = written;
    if (port->status < 0) return port->status;
    if (terminator == PORTKIT_TERMINATOR_CRLF) {
        port->functions.WriteChar(port, portkit::timedio::kCR);
        port->functions.WriteChar(port, portkit::timedio::kLF);
    } else if (terminator >= 0) {
        port->functions.WriteChar(port, terminator);
    }
    port->count = written;
    return port->status;
}

}  // extern "C"
