// Output the driver owns until the system is done with it. A write copies
// the caller's bytes into a ring and hands them at once to an overlapped
// WriteFile of their own, with an OVERLAPPED and an event of its own; the
// bytes stay put until GetOverlappedResult says that write is complete, so
// neither the caller's buffer (often a local of a call long returned) nor
// memory the driver reuses is read by the system later. Only what the system
// took is accepted, so nothing waits in the ring for a later call to send it.
#ifndef PORTKIT_DRIVERS_WIN32_TRANSMIT_QUEUE_H
#define PORTKIT_DRIVERS_WIN32_TRANSMIT_QUEUE_H

#include "drivers/win32/byte_ring.h"
#include "platform/comm_api.h"

namespace portkit::driver {

// One write handed to the system, oldest first in the ring.
struct PendingWrite {
    OVERLAPPED overlapped;
    DWORD length;
};

struct TransmitQueue {
    static constexpr int kSlots = 32;
    ByteRing ring;  // the bytes of the writes not yet complete, in order
    PendingWrite slots[kSlots];
    int oldest;     // slot of the oldest write still going
    int pending;    // writes still going
};

// Storage of `size` bytes and the writes' events; false when either fails.
bool OpenTransmitQueue(TransmitQueue *queue, DWORD size);
// Gives output a short while to leave, then aborts what is still going and
// releases the storage.
void CloseTransmitQueue(TransmitQueue *queue, HANDLE device, PortStructure *port);

// Takes completed writes off the ring. 0, or the status stored for a device
// that failed.
int ReapWrites(TransmitQueue *queue, HANDLE device, PortStructure *port);

// Bytes of output not yet gone: those of writes still going, and what the
// system reports queued beyond them.
DWORD TransmitQueueUsed(const TransmitQueue &queue, const COMSTAT &system);

// Hands as much of `data` as `room` allows to the system (the count in
// `taken`). 0, or the status stored for a device that failed.
int QueueOutput(TransmitQueue *queue, HANDLE device, PortStructure *port, const void *data, DWORD count, DWORD room,
                DWORD *taken);

// Drops queued output, aborting the writes still going.
void DiscardOutput(TransmitQueue *queue, HANDLE device);

}  // namespace portkit::driver

#endif
