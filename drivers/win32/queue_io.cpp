// Reading, writing and counting the driver's queues. Nothing here waits:
// reads take what is queued and writes queue what fits.
#include "drivers/win32/win32_port_data.h"

using namespace portkit::driver;

extern "C" {

PORTKIT_API int _SpaceUsedInRXBufferMSWin32(PortStructure *port) {
    COMSTAT queues;
    if (!LookAtQueues(port, &queues)) return StoreMappedIoError(port);
    return static_cast<int>(queues.cbInQue);
}

PORTKIT_API int _SpaceFreeInRXBufferMSWin32(PortStructure *port) {
    COMSTAT queues;
    if (!LookAtQueues(port, &queues)) return StoreMappedIoError(port);
    return static_cast<int>(DataOf(port)->rx_queue_size - queues.cbInQue);
}

PORTKIT_API int _SpaceUsedInTXBufferMSWin32(PortStructure *port) {
    COMSTAT queues;
    if (!LookAtQueues(port, &queues)) return StoreMappedIoError(port);
    return static_cast<int>(queues.cbOutQue);
}

PORTKIT_API int _SpaceFreeInTXBufferMSWin32(PortStructure *port) {
    COMSTAT queues;
    if (!LookAtQueues(port, &queues)) return StoreMappedIoError(port);
    return static_cast<int>(DataOf(port)->tx_queue_size - queues.cbOutQue);
}

PORTKIT_API int _WriteBufferMSWin32(PortStructure *port, const char *buffer, unsigned int count) {
    Win32PortData *data = DataOf(port);
    port->count = 0;
    COMSTAT queues;
    if (!LookAtQueues(port, &queues)) return StoreMappedIoError(port);
    const DWORD free_space = data->tx_queue_size - queues.cbOutQue;
    const DWORD n = count < free_space ? count : free_space;
    DWORD written = 0;
    const BOOL ok = WriteFile(data->comm_handle, buffer, n, &written, &data->overlapped);
    port->count = static_cast<int32_t>(written);
    if (!ok) {
        if (GetLastError() != ERROR_IO_PENDING) return StoreMappedIoError(port);
        port->count = static_cast<int32_t>(n);  // finishes in the background
    }
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
    if (!PurgeComm(DataOf(port)->comm_handle, PURGE_TXCLEAR)) return StoreMappedError(port);
    return 0;
}

}  // extern "C"
