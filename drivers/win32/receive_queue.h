// Input the driver has taken from the system in large reads, so that a
// reader going a byte at a time costs no system call per byte. Used where
// the system keeps the port's queue (Windows): there a look at the queue
// and a read are two calls into the kernel. The POSIX layer keeps such a
// queue of its own beneath the driver already.
#ifndef PORTKIT_DRIVERS_WIN32_RECEIVE_QUEUE_H
#define PORTKIT_DRIVERS_WIN32_RECEIVE_QUEUE_H

#include "drivers/win32/byte_ring.h"
#include "platform/comm_api.h"

namespace portkit::driver {

#if defined(_WIN32)
constexpr bool kDriverQueuesInput = true;
#else
constexpr bool kDriverQueuesInput = false;
#endif

struct ReceiveQueue {
    ByteRing ring;
    DWORD system_queued;  // what the system still held after the last refill
};

bool OpenReceiveQueue(ReceiveQueue *queue, DWORD size);
void CloseReceiveQueue(ReceiveQueue *queue);

// Moves what the system has queued into the ring, as far as it fits. 0, or
// the status stored for a device that failed.
int RefillReceiveQueue(ReceiveQueue *queue, PortStructure *port);

}  // namespace portkit::driver

#endif
