// The Win32 communications calls over CommPort.
#include "platform/posix/comm/win32_comm.h"

#include <cerrno>
#include <new>

#include "platform/posix/comm/comm_port.h"
#include "platform/posix/comm/device_open.h"
#include "platform/posix/comm/dcb_settings.h"

namespace portkit::win32_imitation {

using posix::CommPort;

namespace {

thread_local DWORD last_error = 0;
// The errno behind last_error, when one was: the Win32 codes say less.
thread_local int last_errno = 0;

constexpr std::size_t kLargestQueue = 1u << 24;

BOOL Fail(DWORD error) {
    last_error = error;
    last_errno = 0;
    return FALSE;
}

BOOL FailWithErrno(int error) {
    last_error = posix::ErrorFromErrno(error);
    last_errno = error;
    return FALSE;
}

// Resolves a handle, or records ERROR_INVALID_HANDLE.
CommPort *PortOf(HANDLE handle) {
    CommPort *port = CommPort::FromHandle(handle);
    if (port == nullptr) last_error = ERROR_INVALID_HANDLE;
    return port;
}

// False, with errno set, when the device has no such line.
bool SetModemLine(CommPort &port, DWORD function) {
    posix::LineEndpoint &line = port.line();
    switch (function) {
        case SETDTR:
            return line.SetDtr(true);
        case CLRDTR:
            return line.SetDtr(false);
        case SETRTS:
            return line.SetRts(true);
        case CLRRTS:
            return line.SetRts(false);
        case SETBREAK:
            return line.SetBreak(true);
        case CLRBREAK:
            return line.SetBreak(false);
        default:
            errno = EINVAL;
            return false;
    }
}

HANDLE EventToken() {
    static char token;
    return &token;
}

}  // namespace

DWORD GetLastError() { return last_error; }
void SetLastError(DWORD error) {
    last_error = error;
    last_errno = 0;
}
int LastErrno() { return last_errno; }

// A Windows NT version number: the top bit clear.
DWORD GetVersion() { return 0x0000000A; }

HANDLE CreateFileA(LPCSTR name, DWORD, DWORD, void *, DWORD, DWORD, HANDLE) {
    if (name == nullptr) {
        last_error = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    std::unique_ptr<posix::LineEndpoint> line = posix::OpenDevice(posix::ResolveDeviceName(name));
    if (!line) {
        FailWithErrno(errno);
        return INVALID_HANDLE_VALUE;
    }
    auto *port = new (std::nothrow) CommPort(std::move(line));
    if (port == nullptr) {
        last_error = ERROR_NOT_ENOUGH_MEMORY;
        return INVALID_HANDLE_VALUE;
    }
    posix::InitialDcb(&port->dcb);
    return port->handle();
}

HANDLE CreateEventA(void *, BOOL, BOOL, LPCSTR) { return EventToken(); }

BOOL ResetEvent(HANDLE event) { return event == EventToken() ? TRUE : Fail(ERROR_INVALID_HANDLE); }

BOOL CloseHandle(HANDLE handle) {
    if (handle == EventToken()) return TRUE;
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    port->HandOverHeldOutput();
    delete port;
    return TRUE;
}

BOOL SetupComm(HANDLE handle, DWORD in_queue, DWORD out_queue) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    if (in_queue > kLargestQueue || out_queue > kLargestQueue) return Fail(ERROR_INVALID_PARAMETER);
    port->ResizeQueues(in_queue, out_queue);
    return TRUE;
}

BOOL GetCommState(HANDLE handle, DCB *dcb) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    *dcb = port->dcb;
    return TRUE;
}

BOOL SetCommState(HANDLE handle, DCB *dcb) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    port->FlushHeldOutput();  // bytes written before go out with the settings they were written under
    const int error = posix::ApplyDcb(port->line(), *dcb);
    if (error != 0) return FailWithErrno(error);
    port->dcb = *dcb;
    return TRUE;
}

BOOL GetCommTimeouts(HANDLE handle, COMMTIMEOUTS *timeouts) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    *timeouts = port->timeouts;
    return TRUE;
}

// Reads and writes never block here whatever the time-outs say; only the
// values are kept.
BOOL SetCommTimeouts(HANDLE handle, COMMTIMEOUTS *timeouts) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    port->timeouts = *timeouts;
    return TRUE;
}

BOOL GetCommMask(HANDLE handle, DWORD *mask) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    *mask = port->event_mask;
    return TRUE;
}

BOOL SetCommMask(HANDLE handle, DWORD mask) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    port->event_mask = mask;
    return TRUE;
}

BOOL ClearCommError(HANDLE handle, DWORD *errors, COMSTAT *status) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    const CommPort::QueueLook look = port->Look();
    // As Windows does for a device that has been removed: the handle is dead.
    if (look.line_gone) return Fail(ERROR_BROKEN_PIPE);
    if (errors != nullptr) *errors = look.errors;
    if (status != nullptr) {
        *status = COMSTAT{};
        status->cbInQue = static_cast<DWORD>(look.input);
        status->cbOutQue = static_cast<DWORD>(look.output);
    }
    return TRUE;
}

BOOL ReadFile(HANDLE handle, void *buffer, DWORD count, DWORD *read, OVERLAPPED *overlapped) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    const std::size_t n = port->Read(static_cast<std::uint8_t *>(buffer), count);
    if (read != nullptr) *read = static_cast<DWORD>(n);
    if (overlapped != nullptr) overlapped->InternalHigh = n;
    if (n == 0 && count > 0 && port->LineGone()) return Fail(ERROR_BROKEN_PIPE);
    return TRUE;
}

BOOL WriteFile(HANDLE handle, const void *buffer, DWORD count, DWORD *written, OVERLAPPED *overlapped) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    const std::size_t n = port->Write(static_cast<const std::uint8_t *>(buffer), count);
    if (written != nullptr) *written = static_cast<DWORD>(n);
    if (overlapped != nullptr) overlapped->InternalHigh = n;
    if (n < count && port->line().HungUp()) return Fail(ERROR_BROKEN_PIPE);
    return TRUE;
}

// Every operation completes before it returns, so the result is already known.
BOOL GetOverlappedResult(HANDLE handle, OVERLAPPED *overlapped, DWORD *transferred, BOOL) {
    if (PortOf(handle) == nullptr) return FALSE;
    if (overlapped == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if (transferred != nullptr) *transferred = static_cast<DWORD>(overlapped->InternalHigh);
    return TRUE;
}

BOOL PurgeComm(HANDLE handle, DWORD flags) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    port->Purge((flags & (PURGE_TXCLEAR | PURGE_TXABORT)) != 0, (flags & (PURGE_RXCLEAR | PURGE_RXABORT)) != 0);
    return TRUE;
}

BOOL EscapeCommFunction(HANDLE handle, DWORD function) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    port->FlushHeldOutput();  // a break or a dropped line must come after what was written
    if (!SetModemLine(*port, function)) return FailWithErrno(errno);
    return TRUE;
}

BOOL SetCommBreak(HANDLE handle) { return EscapeCommFunction(handle, SETBREAK); }
BOOL ClearCommBreak(HANDLE handle) { return EscapeCommFunction(handle, CLRBREAK); }

BOOL GetCommModemStatus(HANDLE handle, DWORD *modem_status) {
    CommPort *port = PortOf(handle);
    if (port == nullptr) return FALSE;
    *modem_status = port->line().ModemStatus();
    return TRUE;
}

}  // namespace portkit::win32_imitation
