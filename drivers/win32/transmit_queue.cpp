#include "drivers/win32/transmit_queue.h"

#include "drivers/win32/win32_port_data.h"
#include "port/port_internal.h"

namespace portkit::driver {
namespace {

// How long a closing port lets its last bytes (an acknowledgement, say) go.
constexpr int kCloseDrainMs = 2000;

// Hands the ring's oldest bytes to the system unless a write is going; what
// a write done at once leaves behind goes again.
int StartWrite(TransmitQueue *queue, HANDLE device, PortStructure *port) {
    while (queue->going == 0 && queue->ring.size > 0) {
        const DWORD length = static_cast<DWORD>(queue->ring.FrontLength());
        ResetEvent(queue->overlapped.hEvent);
        DWORD written = 0;
        if (WriteFile(device, queue->ring.Front(), length, &written, &queue->overlapped)) {
            if (written == 0) return 0;  // the system takes nothing now: a later call tries again
            queue->ring.Drop(written < length ? written : length);
            continue;
        }
        if (GetLastError() != ERROR_IO_PENDING) {
            queue->ring.Clear();  // a device that failed takes no more output
            return StoreMappedIoError(port);
        }
        queue->going = length;
    }
    return 0;
}

}  // namespace

bool OpenTransmitQueue(TransmitQueue *queue, DWORD size) {
    queue->overlapped = OVERLAPPED{};
    queue->going = 0;
    queue->overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (queue->overlapped.hEvent == nullptr) return false;
    if (queue->ring.Allocate(size > 0 ? size : 1)) return true;
    CloseHandle(queue->overlapped.hEvent);
    queue->overlapped.hEvent = nullptr;
    return false;
}

void CloseTransmitQueue(TransmitQueue *queue, HANDLE device, PortStructure *port) {
    if (queue->ring.bytes == nullptr) return;
    const int32_t saved = port->status;
    const int32_t deadline = DeadlineAfter(kCloseDrainMs);
    while (queue->ring.size > 0 && !DeadlineReached(deadline)) {
        if (MoveOutputOn(queue, device, port) < 0 || queue->ring.size == 0 || RunIdleHook(port) < 0) break;
    }
    port->status = saved;
    DiscardOutput(queue, device);
    CloseHandle(queue->overlapped.hEvent);
    queue->overlapped.hEvent = nullptr;
    queue->ring.Release();
}

int MoveOutputOn(TransmitQueue *queue, HANDLE device, PortStructure *port) {
    if (queue->going > 0) {
        DWORD done = 0;
        if (!GetOverlappedResult(device, &queue->overlapped, &done, FALSE)) {
            if (GetLastError() == ERROR_IO_INCOMPLETE) return 0;
            queue->going = 0;
            queue->ring.Clear();
            return StoreMappedIoError(port);
        }
        // Only what the system counts written leaves; the rest goes again.
        queue->ring.Drop(done < queue->going ? done : queue->going);
        queue->going = 0;
    }
    return StartWrite(queue, device, port);
}

DWORD TransmitQueueUsed(const TransmitQueue &queue, const COMSTAT &system) {
    const DWORD beyond = system.cbOutQue > queue.going ? system.cbOutQue - queue.going : 0;
    return static_cast<DWORD>(queue.ring.size) + beyond;
}

int QueueOutput(TransmitQueue *queue, HANDLE device, PortStructure *port, const void *data, DWORD count, DWORD room,
                DWORD *taken) {
    *taken = 0;
    if (const int failure = MoveOutputOn(queue, device, port); failure < 0) return failure;
    const bool first_in_line = queue->ring.size == 0;
    const DWORD wanted = count < room ? count : room;
    const auto pushed = static_cast<DWORD>(queue->ring.Push(data, wanted));
    if (const int failure = StartWrite(queue, device, port); failure < 0) return failure;
    *taken = pushed;
    // With nothing ahead of them, bytes the system would not take are not taken.
    if (first_in_line && queue->going == 0) {
        *taken -= static_cast<DWORD>(queue->ring.size);
        queue->ring.Clear();
    }
    return 0;
}

void DiscardOutput(TransmitQueue *queue, HANDLE device) {
    if (queue->going > 0) {
        // An aborted write must be over before its bytes may be dropped.
        PurgeComm(device, PURGE_TXABORT);
        DWORD done = 0;
        GetOverlappedResult(device, &queue->overlapped, &done, TRUE);
        queue->going = 0;
    }
    queue->ring.Clear();
}

}  // namespace portkit::driver
