#include "drivers/win32/receive_queue.h"

#include "drivers/win32/win32_port_data.h"

namespace portkit::driver {

bool OpenReceiveQueue(ReceiveQueue *queue, DWORD size) {
    queue->system_queued = 0;
    return queue->ring.Allocate(size > 0 ? size : 1);
}

void CloseReceiveQueue(ReceiveQueue *queue) { queue->ring.Release(); }

int RefillReceiveQueue(ReceiveQueue *queue, PortStructure *port) {
    Win32PortData *data = DataOf(port);
    COMSTAT queues;
    if (!LookAtQueues(port, &queues)) return StoreMappedIoError(port);
    DWORD queued = queues.cbInQue;
    // Two reads at most: the ring's room may wrap around its end.
    for (int part = 0; part < 2 && queued > 0 && queue->ring.Free() > 0; ++part) {
        const DWORD wanted = queued < queue->ring.BackLength() ? queued : static_cast<DWORD>(queue->ring.BackLength());
        DWORD read = 0;
        if (!ReadFile(data->comm_handle, queue->ring.Back(), wanted, &read, &data->overlapped)) {
            if (GetLastError() != ERROR_IO_PENDING) return StoreMappedIoError(port);
            // Reads return at once with what is queued; this finishes now.
            if (!GetOverlappedResult(data->comm_handle, &data->overlapped, &read, TRUE))
                return StoreMappedIoError(port);
        }
        queue->ring.Commit(read < wanted ? read : wanted);
        if (read == 0) break;
        queued -= read < queued ? read : queued;
    }
    queue->system_queued = queued;
    return 0;
}

}  // namespace portkit::driver
