// Moving bytes between the socket and the driver's queues, and the slots
// that read, write and count them. Nothing here waits: the socket is
// non-blocking, and what it does not take now goes at the next call or wait.
#include <algorithm>

#include "drivers/net/net_port_data.h"
#include "port/port_internal.h"

namespace portkit::net {
namespace {

// A transfer's held output goes out once this much has collected, or at
// the next read, look at the queues or wait.
constexpr std::size_t kHeldBatch = 64 * 1024;

void MarkGone(NetPortData &data, int system_error) {
    data.gone = true;
    if (data.gone_error == 0) data.gone_error = system_error;
}

// Sends the front of `pending` from `*sent` on; true when all of it went.
bool SendFrom(NetPortData &data, const std::string &pending, std::size_t *sent) {
    while (*sent < pending.size()) {
        const platform::NetTransfer moved =
            platform::SendSome(data.socket, pending.data() + *sent, pending.size() - *sent);
        *sent += moved.bytes;
        if (moved.closed) MarkGone(data, moved.system_error);
        if (moved.bytes == 0) return false;
    }
    return true;
}

// The lost line, once every byte that came before it has been read.
int LostLineIfGone(PortStructure *port) {
    NetPortData &data = *NetDataOf(port);
    if (!data.gone || data.input.size > 0) return 0;
    port->system_error = data.gone_error;
    port->status = PORTKIT_XFER_LOST_CARRIER;
    return port->status;
}

int ReadBuffer(PortStructure *port, char *buffer, unsigned int count) {
    NetPortData &data = *NetDataOf(port);
    port->count = 0;
    MoveOutputOn(data);
    if (data.input.size < count) TakeInput(data);
    port->count = static_cast<std::int32_t>(data.input.Pop(buffer, count));
    if (port->count > 0) return 0;
    if (const int lost = LostLineIfGone(port); lost < 0) return lost;
    return PORTKIT_BUFFER_EMPTY;
}

int ReadChar(PortStructure *port) {
    unsigned char byte = 0;
    const int result = ReadBuffer(port, reinterpret_cast<char *>(&byte), 1);
    return result < 0 ? result : byte;
}

int WriteBuffer(PortStructure *port, const char *buffer, unsigned int count) {
    NetPortData &data = *NetDataOf(port);
    port->count = 0;
    if (data.gone) {
        port->system_error = data.gone_error;
        port->status = PORTKIT_XFER_LOST_CARRIER;
        return port->status;
    }
    std::size_t taken = count;
    if (!data.holding) {
        MoveOutputOn(data);
        const std::size_t used = OutputPending(data);
        const std::size_t room = used < data.output_size ? data.output_size - used : 0;
        taken = std::min<std::size_t>(count, room);
    }
    QueueData(data, buffer, taken);
    if (!data.holding || OutputPending(data) >= kHeldBatch) MoveOutputOn(data);
    port->count = static_cast<std::int32_t>(taken);
    if (taken < count) {
        port->status = PORTKIT_BUFFER_FULL;
        return PORTKIT_BUFFER_FULL;
    }
    return 0;
}

int WriteChar(PortStructure *port, int c) {
    const char byte = static_cast<char>(c);
    return WriteBuffer(port, &byte, 1);
}

int SpaceUsedInRX(PortStructure *port) {
    NetPortData &data = *NetDataOf(port);
    MoveOutputOn(data);
    if (data.input.size == 0) TakeInput(data);
    if (const int lost = LostLineIfGone(port); lost < 0) return lost;
    return static_cast<int>(data.input.size);
}

// The room left in a queue of `size` with `used` taken, or the failure.
int RoomOrFailure(int used, std::size_t size) {
    return used < 0 ? used : static_cast<int>(size - static_cast<std::size_t>(used));
}

int SpaceFreeInRX(PortStructure *port) { return RoomOrFailure(SpaceUsedInRX(port), NetDataOf(port)->input_size); }

int SpaceUsedInTX(PortStructure *port) {
    NetPortData &data = *NetDataOf(port);
    MoveOutputOn(data);
    if (data.gone && OutputPending(data) > 0) {
        port->status = PORTKIT_XFER_LOST_CARRIER;
        return port->status;
    }
    return static_cast<int>(std::min(OutputPending(data), data.output_size));
}

int SpaceFreeInTX(PortStructure *port) { return RoomOrFailure(SpaceUsedInTX(port), NetDataOf(port)->output_size); }

int ClearTX(PortStructure *port) {
    NetPortData &data = *NetDataOf(port);
    data.data_out.clear();
    data.data_out_sent = 0;
    if (data.kind == NetKind::kRfc2217) SendCommand(data, ComPortCommandBytes(kPurgeData, kPurgeTransmit));
    return 0;
}

}  // namespace

std::size_t OutputPending(const NetPortData &data) { return data.data_out.size() - data.data_out_sent; }

void QueueData(NetPortData &data, const char *bytes, std::size_t count) {
    if (data.data_out_sent > 0 && data.data_out_sent == data.data_out.size()) {
        data.data_out.clear();
        data.data_out_sent = 0;
    }
    if (data.kind == NetKind::kRfc2217) {
        AppendEscaped(reinterpret_cast<const std::uint8_t *>(bytes), count, &data.data_out);
    } else {
        data.data_out.append(bytes, count);
    }
}

void SendCommand(NetPortData &data, const std::string &command) {
    if (data.kind != NetKind::kRfc2217) return;
    data.control_out += command;
    MoveOutputOn(data);
}

void MoveOutputOn(NetPortData &data) {
    if (data.gone) return;
    if (!data.control_out.empty()) {
        std::size_t sent = 0;
        const bool all = SendFrom(data, data.control_out, &sent);
        data.control_out.erase(0, sent);
        if (!all) return;
    }
    if (data.decoder.Reports().suspended) return;
    if (SendFrom(data, data.data_out, &data.data_out_sent)) {
        data.data_out.clear();
        data.data_out_sent = 0;
    }
}

void TakeInput(NetPortData &data) {
    while (!data.gone && data.input.Free() > 0) {
        std::uint8_t *back = data.input.Back();
        const std::size_t room = data.input.BackLength();
        const platform::NetTransfer got = platform::ReceiveSome(data.socket, back, room);
        std::size_t kept = got.bytes;
        if (data.kind == NetKind::kRfc2217 && got.bytes > 0) kept = data.decoder.Decode(back, got.bytes);
        data.input.Commit(kept);
        if (got.closed) MarkGone(data, got.system_error);
        if (got.bytes < room) break;  // the socket has nothing more now
    }
    std::string &answers = data.decoder.Answers();
    if (!answers.empty()) {
        data.control_out += answers;
        answers.clear();
    }
    MoveOutputOn(data);
}

std::span<const std::uint8_t> QueuedInput(PortStructure *port) {
    const NetPortData &data = *NetDataOf(port);
    return {data.input.Front(), data.input.FrontLength()};
}

void DropInput(PortStructure *port, std::size_t count) { NetDataOf(port)->input.Drop(count); }

void HoldOutput(PortStructure *port, bool hold) {
    NetPortData &data = *NetDataOf(port);
    data.holding = hold;
    if (!hold) MoveOutputOn(data);
}

bool HoldingOutput(PortStructure *port) { return NetDataOf(port)->holding; }

void InstallIoSlots(PortStructure *port) {
    DriverFunctions &slots = port->functions;
    slots.ReadChar = ReadChar;
    slots.WriteChar = WriteChar;
    slots.ReadBuffer = ReadBuffer;
    slots.WriteBuffer = WriteBuffer;
    slots.SpaceFreeInTXBuffer = SpaceFreeInTX;
    slots.SpaceUsedInTXBuffer = SpaceUsedInTX;
    slots.SpaceFreeInRXBuffer = SpaceFreeInRX;
    slots.SpaceUsedInRXBuffer = SpaceUsedInRX;
    slots.ClearTXBuffer = ClearTX;
}

}  // namespace portkit::net
