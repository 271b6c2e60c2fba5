// Output the driver owns until the system has written it. A write copies
// the caller's bytes into a ring; the ring's oldest bytes go to the system
// in one overlapped WriteFile at a time, and leave the ring only as
// GetOverlappedResult counts them written. One write at a time, because a
// device may finish two in either order (Wine's ptys do under load), and
// by the count, because a write may end short. The bytes stay put until
// then, so neither the caller's buffer (often a local of a call long
// returned) nor memory the driver reuses is read by the system later.
// With nothing ahead of them, bytes count as taken only if the system took
// them; bytes that come while a write is going wait behind it in the ring,
// and every call of the driver moves them on.
#ifndef PORTKIT_DRIVERS_WIN32_TRANSMIT_QUEUE_H
#define PORTKIT_DRIVERS_WIN32_TRANSMIT_QUEUE_H

#include "drivers/win32/byte_ring.h"
#include "platform/comm_api.h"

namespace portkit::driver {

struct TransmitQueue {
    ByteRing ring;          // output not yet written, oldest first
    OVERLAPPED overlapped;  // of the write going, with an event of its own
    DWORD going;            // bytes at the ring's front handed to that write; 0 when none is
};

// Storage of `size` bytes and the write's event; false when either fails.
bool OpenTransmitQueue(TransmitQueue *queue, DWORD size);
// Gives output a short while to leave, then aborts what is still going and
// releases the storage.
void CloseTransmitQueue(TransmitQueue *queue, HANDLE device, PortStructure *port);

// Takes what the system has written off the ring and hands it the next
// bytes. 0, or the status stored for a device that failed.
int MoveOutputOn(TransmitQueue *queue, HANDLE device, PortStructure *port);

// Bytes of output not yet gone: those in the ring, and what the system
// reports queued beyond the write going.
DWORD TransmitQueueUsed(const TransmitQueue &queue, const COMSTAT &system);

// Takes as much of `data` as `room` allows (the count in `taken`) and moves
// output on. 0, or the status stored for a device that failed.
int QueueOutput(TransmitQueue *queue, HANDLE device, PortStructure *port, const void *data, DWORD count, DWORD room,
                DWORD *taken);

// Drops queued output, aborting the write going.
void DiscardOutput(TransmitQueue *queue, HANDLE device);

}  // namespace portkit::driver

#endif
