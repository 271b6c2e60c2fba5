#include "tools/term/port_taps.h"

#include <utility>

namespace portkit::tool {
namespace {

struct Taps {
    PortStructure *port = nullptr;
    DriverFunctions original{};
    SessionLog *log = nullptr;
    std::function<void(int)> echo;
};
Taps taps;

int LoggedReadChar(PortStructure *port) {
    const int c = taps.original.ReadChar(port);
    if (c >= 0 && taps.log != nullptr) {
        const char byte = static_cast<char>(c);
        taps.log->Write(&byte, 1);
    }
    return c;
}

int LoggedReadBuffer(PortStructure *port, char *buffer, unsigned int count) {
    const int result = taps.original.ReadBuffer(port, buffer, count);
    if (result >= 0 && port->count > 0 && taps.log != nullptr) {
        taps.log->Write(buffer, static_cast<std::size_t>(port->count));
    }
    return result;
}

int EchoedWriteChar(PortStructure *port, int c) {
    const int result = taps.original.WriteChar(port, c);
    if (result >= 0 && taps.echo) taps.echo(c);
    return result;
}

void Claim(PortStructure *port) {
    if (taps.port == port) return;
    taps = Taps{};
    taps.port = port;
    taps.original = port->functions;
}

}  // namespace

void TapReceivedBytes(PortStructure *port, SessionLog *log) {
    if (log == nullptr) return;
    Claim(port);
    taps.log = log;
    FollowLog(port);
}

void FollowLog(PortStructure *port) {
    if (taps.port != port || port == nullptr || taps.log == nullptr) return;
    const bool open = taps.log->IsOpen();
    port->functions.ReadChar = open ? LoggedReadChar : taps.original.ReadChar;
    port->functions.ReadBuffer = open ? LoggedReadBuffer : taps.original.ReadBuffer;
}

void TapSentCharacters(PortStructure *port, std::function<void(int)> echo) {
    Claim(port);
    taps.echo = std::move(echo);
    port->functions.WriteChar = EchoedWriteChar;
}

void RemovePortTaps(PortStructure *port) {
    if (taps.port != port || port == nullptr) return;
    port->functions.ReadChar = taps.original.ReadChar;
    port->functions.ReadBuffer = taps.original.ReadBuffer;
    port->functions.WriteChar = taps.original.WriteChar;
    taps = Taps{};
}

}  // namespace portkit::tool
