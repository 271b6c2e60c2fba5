// Opening and closing a port behind a serial server: the connection, the
// Telnet negotiation, the first line settings and the slots.
#include <algorithm>
#include <cerrno>
#include <new>

#include "drivers/net/net_open.h"
#include "drivers/net/net_port_data.h"
#include "platform/platform.h"
#include "port/port_internal.h"

namespace portkit::net {
namespace {

constexpr int kConnectTimeoutMs = 5000;
// The input queue is at least this long, so that a fast stream is taken a
// socket's worth at a time rather than in the queue size callers set.
constexpr std::size_t kLeastInputQueue = 65536;
// A close hands over what is still queued for this long at most.
constexpr int kCloseDrainMs = 2000;
// Every modem-line change, and the line errors, reported by the server.
constexpr std::uint8_t kAllModemChanges = 0xFF;
constexpr std::uint8_t kLineErrors = PORTKIT_LS_BREAK | PORTKIT_LS_FRAMING | PORTKIT_LS_PARITY | PORTKIT_LS_OVERRUN;

// The idle wait's look before it blocks: what is waiting moves on, what
// came is queued, so the block is for news only.
int PrepareWait(PortStructure *port) {
    NetPortData &data = *NetDataOf(port);
    TakeInput(data);
    if (data.gone) return platform::kWaitForNothing;
    int wanted = platform::kWaitForNothing;
    if (data.input.Free() > 0) wanted |= platform::kWaitForInput;
    const bool data_waiting = OutputPending(data) > 0 && !data.decoder.Reports().suspended;
    if (!data.control_out.empty() || data_waiting) wanted |= platform::kWaitForOutput;
    return wanted;
}

int Close(PortStructure *port) {
    NetPortData *data = NetDataOf(port);
    data->holding = false;
    const std::int32_t deadline = DeadlineAfter(kCloseDrainMs);
    for (;;) {
        MoveOutputOn(*data);
        if (data->gone || (OutputPending(*data) == 0 && data->control_out.empty()) || DeadlineReached(deadline)) break;
        if (RunIdleHook(port) < 0) break;
    }
    platform::DetachPortWait(port);
    platform::CloseSocket(data->socket);
    data->input.Release();
    delete data;
    port->driver_data = nullptr;
    _FreePort(port);
    return 0;
}

int NoMemory(PortStructure *port) {
    port->status = PORTKIT_NO_MEMORY;
    return port->status;
}

// The connection and what the server is first told. 0 or the status.
int Connect(PortStructure *port, NetPortData &data, const NetAddress &address) {
    int system_error = 0;
    data.socket = platform::ConnectTcp(port, address.host, address.service, kConnectTimeoutMs, &system_error);
    if (data.socket == platform::kNoSocket) {
        port->system_error = system_error;
        port->status = PORTKIT_NO_DEVICE;
        return port->status;
    }
    if (address.kind == NetKind::kRfc2217) {
        data.control_out = OpeningNegotiation(&data.decoder);
        data.control_out += ComPortCommandBytes(kSetModemStateMask, kAllModemChanges);
        data.control_out += ComPortCommandBytes(kSetLineStateMask, kLineErrors);
    }
    return 0;
}

}  // namespace

bool IsNetPort(const PortStructure *port) {
    return port != nullptr && port->driver_type == PORTKIT_DRIVER_NETWORK && port->driver_data != nullptr;
}

PortStructure *OpenNetworkPort(const char *name, long baud_rate, char parity, int word_length, int stop_bits) {
    auto *port = static_cast<PortStructure *>(AllocateDriverStructure(sizeof(PortStructure)));
    if (port == nullptr) return _OutOfMemoryPort();
    _InitializeDriverFunctions(port);
    port->handle = -1;
    port->status = 0;
    NetAddress address;
    if (!ParseNetworkName(name, &address)) {
        port->status = PORTKIT_INVALID_PARAMETER;
        return port;
    }
    auto *data = new (std::nothrow) NetPortData;
    if (data == nullptr) {
        NoMemory(port);
        return port;
    }
    const DSInstanceData *settings = SettingsOf(port);
    data->kind = address.kind;
    data->name = name;
    data->input_size = std::max(static_cast<std::size_t>(settings->rx_buffer_size > 0 ? settings->rx_buffer_size : 1),
                                kLeastInputQueue);
    data->output_size = static_cast<std::size_t>(settings->tx_buffer_size > 0 ? settings->tx_buffer_size : 1);
    if (!data->input.Allocate(data->input_size)) {
        delete data;
        NoMemory(port);
        return port;
    }
    if (Connect(port, *data, address) < 0) {
        data->input.Release();
        delete data;
        return port;
    }
    port->driver_type = PORTKIT_DRIVER_NETWORK;
    port->driver_data = data;
    InstallIoSlots(port);
    InstallControlSlots(port);
    port->functions.PortClose = Close;
    platform::AttachSocketWait(port, data->socket, PrepareWait);
    // The lines up, as a local open leaves them; then the settings.
    if (data->kind == NetKind::kRfc2217) {
        data->control_out += ComPortCommandBytes(kSetControl, kControlDtrOn);
        data->control_out += ComPortCommandBytes(kSetControl, kControlRtsOn);
    }
    port->functions.PortSet(port, baud_rate, static_cast<unsigned char>(parity), word_length, stop_bits);
    return port;
}

}  // namespace portkit::net
