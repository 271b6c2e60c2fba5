#include "drivers/win32/transmit_queue.h"

#include "drivers/win32/win32_port_data.h"
#include "port/port_internal.h"

namespace portkit::driver {
namespace {

// How long a closing port lets its last bytes (an acknowledgement, say) go.
constexpr int kCloseDrainMs = 2000;

int Next(int slot) { return (slot + 1) % TransmitQueue::kSlots; }

void Retire(TransmitQueue *queue) {
    queue->ring.Drop(queue->slots[queue->oldest].length);
    queue->oldest = Next(queue->oldest);
    --queue->pending;
}

}  // namespace

bool OpenTransmitQueue(TransmitQueue *queue, DWORD size) {
    if (!queue->ring.Allocate(size > 0 ? size : 1)) return false;
    for (PendingWrite &slot : queue->slots) {
        slot = PendingWrite{};
        slot.overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (slot.overlapped.hEvent == nullptr) {
            for (PendingWrite &made : queue->slots) {
                if (made.overlapped.hEvent != nullptr) CloseHandle(made.overlapped.hEvent);
            }
            queue->ring.Release();
            return false;
        }
    }
    queue->oldest = queue->pending = 0;
    return true;
}

void CloseTransmitQueue(TransmitQueue *queue, HANDLE device, PortStructure *port) {
    if (queue->ring.bytes == nullptr) return;
    const int32_t saved = port->status;
    const int32_t deadline = DeadlineAfter(kCloseDrainMs);
    while (queue->pending > 0 && !DeadlineReached(deadline)) {
        if (ReapWrites(queue, device, port) < 0 || queue->pending == 0 || RunIdleHook(port) < 0) break;
    }
    port->status = saved;
    DiscardOutput(queue, device);
    for (PendingWrite &slot : queue->slots) {
        CloseHandle(slot.overlapped.hEvent);
        slot.overlapped.hEvent = nullptr;
    }
    queue->ring.Release();
}

int ReapWrites(TransmitQueue *queue, HANDLE device, PortStructure *port) {
    // Writes to one device complete in order: the oldest one going holds up
    // the check of the others.
    while (queue->pending > 0) {
        PendingWrite &slot = queue->slots[queue->oldest];
        DWORD done = 0;
        if (!GetOverlappedResult(device, &slot.overlapped, &done, FALSE)) {
            if (GetLastError() == ERROR_IO_INCOMPLETE) return 0;
            Retire(queue);
            return StoreMappedIoError(port);
        }
        Retire(queue);
    }
    return 0;
}

DWORD TransmitQueueUsed(const TransmitQueue &queue, const COMSTAT &system) {
    const DWORD going = static_cast<DWORD>(queue.ring.size);
    const DWORD beyond = system.cbOutQue > going ? system.cbOutQue - going : 0;
    return going + beyond;
}

int QueueOutput(TransmitQueue *queue, HANDLE device, PortStructure *port, const void *data, DWORD count, DWORD room,
                DWORD *taken) {
    *taken = 0;
    if (const int failure = ReapWrites(queue, device, port); failure < 0) return failure;
    if (queue->pending == TransmitQueue::kSlots) return 0;
    // One write takes bytes that lie one after the other in the ring.
    DWORD length = count < room ? count : room;
    if (length > queue->ring.BackLength()) length = static_cast<DWORD>(queue->ring.BackLength());
    if (length == 0) return 0;
    std::uint8_t *bytes = queue->ring.Back();
    std::memcpy(bytes, data, length);
    const int slot_index = (queue->oldest + queue->pending) % TransmitQueue::kSlots;
    PendingWrite &slot = queue->slots[slot_index];
    ResetEvent(slot.overlapped.hEvent);
    DWORD written = 0;
    if (WriteFile(device, bytes, length, &written, &slot.overlapped)) {
        // Done at once: only what the system took counts, and with nothing
        // older still going, it leaves the ring at once too.
        *taken = written < length ? written : length;
        if (queue->pending == 0) return 0;
        slot.length = *taken;
        queue->ring.Commit(*taken);
        // A finished write still waits its turn behind older ones: a
        // completed OVERLAPPED answers at once when its turn comes.
        ++queue->pending;
        return 0;
    }
    if (GetLastError() != ERROR_IO_PENDING) return StoreMappedIoError(port);
    slot.length = length;
    queue->ring.Commit(length);
    ++queue->pending;
    *taken = length;
    return 0;
}

void DiscardOutput(TransmitQueue *queue, HANDLE device) {
    if (queue->pending > 0) {
        // Aborted writes must be over before their bytes may be dropped.
        PurgeComm(device, PURGE_TXABORT);
        while (queue->pending > 0) {
            DWORD done = 0;
            GetOverlappedResult(device, &queue->slots[queue->oldest].overlapped, &done, TRUE);
            Retire(queue);
        }
    }
    queue->ring.Clear();
}

}  // namespace portkit::driver
