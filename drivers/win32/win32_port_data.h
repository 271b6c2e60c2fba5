// The serial driver's own record, kept in the port's driver_data.
#ifndef PORTKIT_DRIVERS_WIN32_WIN32_PORT_DATA_H
#define PORTKIT_DRIVERS_WIN32_WIN32_PORT_DATA_H

#include "drivers/win32/receive_queue.h"
#include "drivers/win32/transmit_queue.h"
#include "platform/comm_api.h"
#include "portkit/serial.h"

namespace portkit::driver {

struct Win32PortData {
    DWORD rx_queue_size;
    DWORD tx_queue_size;
    DCB dcb;            // working copy; every settings call writes it whole
    DWORD comm_errors;  // CE_ bits seen since open or the last ClearLineStatus
    DWORD saved_event_mask;
    DWORD uart_word;  // never set; shown by the dump
    HANDLE comm_handle;
    COMMTIMEOUTS saved_timeouts;
    OVERLAPPED overlapped;   // of the reads, which complete at once
    TransmitQueue transmit;  // output until the system has written it
    ReceiveQueue receive;    // input taken from the system, where the driver queues it
};

inline Win32PortData *DataOf(PortStructure *port) { return static_cast<Win32PortData *>(port->driver_data); }

// Status code for a failed Win32 call, from GetLastError.
int MappedError();

// Stores the mapped error of a failed call in the port's status and returns it.
int StoreMappedError(PortStructure *port);

// Status code for a failed read, write or queue query: a device that has
// gone away (unplugged, hung up, the far end of a pipe closed) reads as a
// lost carrier, which is what it is to the caller.
int MappedIoError();
int StoreMappedIoError(PortStructure *port);

// ClearCommError, with the errors it reports added to comm_errors; false
// when the device no longer answers. Inline, as every byte read or written
// makes this query and uses one field of it.
inline bool LookAtQueues(PortStructure *port, COMSTAT *queues) {
    Win32PortData *data = DataOf(port);
    DWORD errors = 0;
    *queues = COMSTAT{};
    if (!ClearCommError(data->comm_handle, &errors, queues)) return false;
    data->comm_errors |= errors;
    return true;
}

inline COMSTAT QueryQueues(PortStructure *port) {
    COMSTAT queues;
    LookAtQueues(port, &queues);
    return queues;
}

// Writes the working DCB to the device; 0 or the stored mapped error.
int WriteDcb(PortStructure *port);

}  // namespace portkit::driver

#endif
