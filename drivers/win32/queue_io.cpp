// Reading, writing and counting the driver's queues. Nothing here waits:
// reads take what is queued and writes queue what fits.
#include "drivers/win32/win32_port_data.h"
#include "platform/platform.h"

using namespace portkit::driver;

namespace {

// Output waiting behind a write still going leaves only when the driver is
// called; a caller that reads while it waits for an answer moves it on too.
int MovePortOutputOn(PortStructure *port) {
    Win32PortData *data = DataOf(port);
    return MoveOutputOn(&data->transmit, data->comm_handle, port);
}

// Output not yet gone, after moving the transmit queue on; 0 or the failure.
int OutputQueued(PortStructure *port, DWORD *used) {
    Win32PortData *data = DataOf(port);
    if (const int failure = MovePortOutputOn(port); failure < 0) return failure;
    COMSTAT queues;
    if (!LookAtQueues(port, &queues)) return StoreMappedIoError(port);
    *used = TransmitQueueUsed(data->transmit, queues);
    return 0;
}

// Input waiting to be read: the driver's queue first, refilled only once it
// is empty, so a reader taking queued bytes costs no system call.
int InputQueued(PortStructure *port, DWORD *used) {
    MovePortOutputOn(port);  // a failed device shows in the query itself
    if constexpr (kDriverQueuesInput) {
        ReceiveQueue &queue = DataOf(port)->receive;
        if (queue.ring.size == 0) {
            if (const int failure = RefillReceiveQueue(&queue, port); failure < 0) return failure;
        }
        *used = static_cast<DWORD>(queue.ring.size) + queue.system_queued;
        return 0;
    }
    COMSTAT queues;
    if (!LookAtQueues(port, &queues)) return StoreMappedIoError(port);
    *used = queues.cbInQue;
    return 0;
}

[[maybe_unused]] int ReadFromDriverQueue(PortStructure *port, char *buffer, unsigned int count) {
    ReceiveQueue &queue = DataOf(port)->receive;
    if (queue.ring.size < count) {
        if (const int failure = RefillReceiveQueue(&queue, port); failure < 0 && queue.ring.size == 0) return failure;
    }
    port->count = static_cast<int32_t>(queue.ring.Pop(buffer, count));
    return port->count > 0 ? 0 : PORTKIT_BUFFER_EMPTY;
}

// Held output (POSIX, while a transfer runs) collects in a batch of the
// communications layer, taken at once and whole unless the line refuses a
// full batch: neither the ring nor the queue's size applies to it.
int WriteHeld(PortStructure *port, const char *buffer, unsigned int count) {
    DWORD written = 0;
    if (!WriteFile(DataOf(port)->comm_handle, buffer, count, &written, nullptr)) return StoreMappedIoError(port);
    port->count = static_cast<int32_t>(written);
    if (written < count) {
        port->status = PORTKIT_BUFFER_FULL;
        return PORTKIT_BUFFER_FULL;
    }
    return 0;
}

}  // namespace

extern "C" {

PORTKIT_API int _SpaceUsedInRXBufferMSWin32(PortStructure *port) {
    DWORD used = 0;
    if (const int failure = InputQueued(port, &used); failure < 0) return failure;
    return static_cast<int>(used);
}

PORTKIT_API int _SpaceFreeInRXBufferMSWin32(PortStructure *port) {
    DWORD used = 0;
    if (const int failure = InputQueued(port, &used); failure < 0) return failure;
    const DWORD size = DataOf(port)->rx_queue_size;
    return static_cast<int>(used < size ? size - used : 0);
}

PORTKIT_API int _SpaceUsedInTXBufferMSWin32(PortStructure *port) {
    DWORD used = 0;
    if (const int failure = OutputQueued(port, &used); failure < 0) return failure;
    return static_cast<int>(used);
}

PORTKIT_API int _SpaceFreeInTXBufferMSWin32(PortStructure *port) {
    DWORD used = 0;
    if (const int failure = OutputQueued(port, &used); failure < 0) return failure;
    const DWORD size = DataOf(port)->tx_queue_size;
    return static_cast<int>(used < size ? size - used : 0);
}

PORTKIT_API int _WriteBufferMSWin32(PortStructure *port, const char *buffer, unsigned int count) {
    Win32PortData *data = DataOf(port);
    port->count = 0;
    if (portkit::platform::PortOutputHeld(port)) return WriteHeld(port, buffer, count);
    DWORD used = 0;
    if (const int failure = OutputQueued(port, &used); failure < 0) return failure;
    const DWORD room = used < data->tx_queue_size ? data->tx_queue_size - used : 0;
    DWORD taken = 0;
    const int failure = QueueOutput(&data->transmit, data->comm_handle, port, buffer, count, room, &taken);
    port->count = static_cast<int32_t>(taken);
    if (failure < 0) return failure;
    if (static_cast<unsigned int>(port->count) < count) {
        port->status = PORTKIT_BUFFER_FULL;
        return PORTKIT_BUFFER_FULL;
    }
    return 0;
}

PORTKIT_API int _WriteCharMSWin32(PortStructure *port, int c) {
    const char byte = static_cast<char>(c);
    return _WriteBufferMSWin32(port, &byte, 1);
}

PORTKIT_API int _ReadBufferMSWin32(PortStructure *port, char *buffer, unsigned int count) {
    Win32PortData *data = DataOf(port);
    port->count = 0;
    MovePortOutputOn(port);  // a failed device shows in the read itself
    if constexpr (kDriverQueuesInput) return ReadFromDriverQueue(port, buffer, count);
    COMSTAT queues;
    if (!LookAtQueues(port, &queues)) return StoreMappedIoError(port);
    const DWORD queued = queues.cbInQue;
    if (queued == 0) return PORTKIT_BUFFER_EMPTY;
    const DWORD n = count < queued ? count : queued;
    DWORD read = 0;
    const BOOL ok = ReadFile(data->comm_handle, buffer, n, &read, &data->overlapped);
    port->count = static_cast<int32_t>(read);
    if (!ok && GetLastError() != ERROR_IO_PENDING) return StoreMappedIoError(port);
    if (read < count) {
        if (!GetOverlappedResult(data->comm_handle, &data->overlapped, &read, TRUE)) return PORTKIT_BUFFER_EMPTY;
        port->count = static_cast<int32_t>(read);
    }
    return 0;
}

PORTKIT_API int _ReadCharMSWin32(PortStructure *port) {
    unsigned char byte = 0;
    const int result = _ReadBufferMSWin32(port, reinterpret_cast<char *>(&byte), 1);
    return result < 0 ? result : byte;
}

// A device cannot be peeked without taking the byte, and taking it would
// lose it; so this driver offers no peek.
PORTKIT_API int _PeekCharMSWin32(PortStructure *port) { return _GenericNotSupportedA(port); }

PORTKIT_API int _ClearTXBufferMSWin32(PortStructure *port) {
    Win32PortData *data = DataOf(port);
    DiscardOutput(&data->transmit, data->comm_handle);
    if (!PurgeComm(data->comm_handle, PURGE_TXCLEAR)) return StoreMappedError(port);
    return 0;
}

}  // extern "C"
