// The Win32 calls and the port services the transmit queue uses, over the
// scripted device.
#include "tests/driver_logic/scripted_device.h"

#include <cstdlib>
#include <vector>

#include "drivers/win32/win32_port_data.h"
#include "port/port_internal.h"

namespace portkit::test::device {
namespace {

struct Write {
    const char *bytes;
    DWORD length;
    OVERLAPPED *overlapped;
};

constexpr std::uintptr_t kPending = 0x103;  // STATUS_PENDING
constexpr std::uintptr_t kAborted = 995;    // ERROR_OPERATION_ABORTED

int the_device;
int an_event;
DWORD last_error;
long at_once = -1;
std::vector<Write> pending;
std::string line;

void Complete(OVERLAPPED *overlapped, std::uintptr_t status, DWORD moved) {
    overlapped->Internal = status;
    overlapped->InternalHigh = moved;
}

}  // namespace

HANDLE Handle() { return &the_device; }
void Reset() {
    pending.clear();
    line.clear();
    at_once = -1;
}
void FinishAtOnce(long bytes) { at_once = bytes; }
std::size_t Pending() { return pending.size(); }
const std::string &Line() { return line; }

void Finish(std::size_t index, long bytes) {
    const Write write = pending.at(index);
    pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(index));
    const DWORD moved =
        bytes < 0 || static_cast<DWORD>(bytes) > write.length ? write.length : static_cast<DWORD>(bytes);
    line.append(write.bytes, moved);
    Complete(write.overlapped, 0, moved);
}

}  // namespace portkit::test::device

namespace portkit::win32_imitation {

using namespace portkit::test::device;

DWORD GetLastError() { return last_error; }
void SetLastError(DWORD error) { last_error = error; }
HANDLE CreateEventA(void *, BOOL, BOOL, LPCSTR) { return &an_event; }
BOOL ResetEvent(HANDLE) { return TRUE; }
BOOL CloseHandle(HANDLE) { return TRUE; }

BOOL WriteFile(HANDLE, const void *buffer, DWORD count, DWORD *written, OVERLAPPED *overlapped) {
    const auto *bytes = static_cast<const char *>(buffer);
    if (at_once >= 0) {
        const DWORD moved = static_cast<DWORD>(at_once) < count ? static_cast<DWORD>(at_once) : count;
        line.append(bytes, moved);
        at_once -= static_cast<long>(moved);
        *written = moved;
        Complete(overlapped, 0, moved);
        return TRUE;
    }
    *written = 0;
    Complete(overlapped, kPending, 0);
    pending.push_back({bytes, count, overlapped});
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

BOOL GetOverlappedResult(HANDLE, OVERLAPPED *overlapped, DWORD *transferred, BOOL wait) {
    if (overlapped->Internal == kPending) {
        // Only an aborted write is waited for, and the purge has ended it.
        if (wait) std::abort();
        SetLastError(ERROR_IO_INCOMPLETE);
        return FALSE;
    }
    *transferred = static_cast<DWORD>(overlapped->InternalHigh);
    if (overlapped->Internal == 0) return TRUE;
    SetLastError(static_cast<DWORD>(overlapped->Internal));
    return FALSE;
}

BOOL PurgeComm(HANDLE, DWORD flags) {
    if ((flags & PURGE_TXABORT) != 0) {
        for (const Write &write : pending) Complete(write.overlapped, kAborted, 0);
        pending.clear();
    }
    return TRUE;
}

}  // namespace portkit::win32_imitation

// The port services, as far as the transmit queue needs them.
namespace portkit {
void NoteDeadline(std::int32_t, std::int32_t) {}
int RunIdleHook(PortStructure *) { return 0; }
namespace driver {
int StoreMappedIoError(PortStructure *port) {
    port->status = PORTKIT_XFER_LOST_CARRIER;
    return port->status;
}
}  // namespace driver
}  // namespace portkit

extern "C" {
// Each look at the clock is a millisecond later, so that deadlines pass.
int32_t ElapsedTime(void) {
    static int32_t now;
    return ++now;
}
void *AllocateDriverStructure(unsigned int size) { return std::calloc(size, 1); }
void FreeDriverStructure(void *block) { std::free(block); }
}
