// Opening a serial port: the record, the device, the settings, the slots.
#include <string>

#include "drivers/net/net_open.h"
#include "drivers/win32/device_name.h"
#include "drivers/win32/win32_port_data.h"
#include "platform/platform.h"
#include "port/port_internal.h"

namespace portkit::driver {
namespace {

constexpr DWORD kNoEvents = 0;

void InstallSlots(PortStructure *port) {
    DriverFunctions &slots = port->functions;
    slots.ReadChar = _ReadCharMSWin32;
    slots.WriteChar = _WriteCharMSWin32;
    slots.PortClose = _PortCloseMSWin32;
    slots.PortSet = _PortSetMSWin32;
    slots.UseXonXoff = _UseXonXoffMSWin32;
    slots.UseRtsCts = _UseRtsCtsMSWin32;
    slots.UseDtrDsr = _UseDtrDsrMSWin32;
    slots.SetDtr = _SetDtrMSWin32;
    slots.SetRts = _SetRtsMSWin32;
    slots.SpaceFreeInTXBuffer = _SpaceFreeInTXBufferMSWin32;
    slots.SpaceUsedInTXBuffer = _SpaceUsedInTXBufferMSWin32;
    slots.SpaceFreeInRXBuffer = _SpaceFreeInRXBufferMSWin32;
    slots.SpaceUsedInRXBuffer = _SpaceUsedInRXBufferMSWin32;
    slots.ClearTXBuffer = _ClearTXBufferMSWin32;
    slots.WriteBuffer = _WriteBufferMSWin32;
    slots.ReadBuffer = _ReadBufferMSWin32;
    slots.DumpPortStatus = _DumpPortStatusMSWin32;
    slots.SendBreak = _SendBreakMSWin32;
    slots.GetModemStatus = _GetModemStatusMSWin32;
    slots.GetLineStatus = _GetLineStatusMSWin32;
    slots.ClearLineStatus = _ClearLineStatusMSWin32;
}

// Windows 3 hosts have no Win32 communications API.
bool OnWindows3() {
    const DWORD version = GetVersion();
    return (version & 0x80000000u) != 0 && (version & 0xFFu) == 3;
}

// Opens the device into a port record that has its driver record: the queues,
// the initial line settings and the event wait. 0 or the stored status.
int OpenDevice(PortStructure *port, const char *device) {
    Win32PortData *data = DataOf(port);
    DSInstanceData *settings = portkit::SettingsOf(port);
    data->rx_queue_size = static_cast<DWORD>(settings->rx_buffer_size);
    data->tx_queue_size = static_cast<DWORD>(settings->tx_buffer_size);
    data->comm_errors = 0;

    data->comm_handle =
        CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    port->status = 0;
    if (data->comm_handle == INVALID_HANDLE_VALUE) {
        data->comm_handle = nullptr;
        return StoreMappedError(port);
    }
    if (!OpenTransmitQueue(&data->transmit, data->tx_queue_size) ||
        (kDriverQueuesInput && !OpenReceiveQueue(&data->receive, data->rx_queue_size))) {
        CloseTransmitQueue(&data->transmit, data->comm_handle, port);
        CloseHandle(data->comm_handle);
        data->comm_handle = nullptr;
        port->status = PORTKIT_NO_MEMORY;
        return port->status;
    }
    SetupComm(data->comm_handle, data->rx_queue_size, data->tx_queue_size);
    GetCommMask(data->comm_handle, &data->saved_event_mask);
    SetCommMask(data->comm_handle, kNoEvents);

    GetCommState(data->comm_handle, &data->dcb);
    DCB &dcb = data->dcb;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.fBinary = 1;
    dcb.fParity = 0;
    dcb.fNull = 0;
    dcb.XonLim = static_cast<WORD>(data->rx_queue_size / 4);
    dcb.XoffLim = static_cast<WORD>(data->rx_queue_size / 4);
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;

    // Reads return at once with what is queued; writes have no time-out.
    GetCommTimeouts(data->comm_handle, &data->saved_timeouts);
    COMMTIMEOUTS immediate{};
    immediate.ReadIntervalTimeout = MAXDWORD;
    SetCommTimeouts(data->comm_handle, &immediate);

    portkit::platform::AttachPortWait(port, data->comm_handle);
    return port->status;
}

// Every open ends here, by number or by name; the record keeps port_number.
PortStructure *OpenPort(const char *device, int port_number, long baud_rate, char parity, int word_length,
                        int stop_bits) {
    auto *port = static_cast<PortStructure *>(AllocateDriverStructure(sizeof(PortStructure)));
    if (port == nullptr) return _OutOfMemoryPort();
    _InitializeDriverFunctions(port);
    if (OnWindows3()) {
        port->status = PORTKIT_NOT_SUPPORTED;
        return port;
    }
    if (device == nullptr) {
        port->status = PORTKIT_INVALID_PARAMETER;
        return port;
    }
    auto *data = static_cast<Win32PortData *>(AllocateDriverStructure(sizeof(Win32PortData)));
    if (data == nullptr) {
        _FreePort(port);
        return _OutOfMemoryPort();
    }
    port->driver_type = PORTKIT_DRIVER_MSWIN32;
    port->driver_data = data;
    port->handle = port_number;
    if (OpenDevice(port, device) < 0) {
        // The port keeps its default slots, whose close frees only the port
        // record; the driver record goes now so that it is not leaked.
        FreeDriverStructure(data);
        port->driver_data = nullptr;
        return port;
    }
    _PortSetMSWin32(port, baud_rate, static_cast<unsigned char>(parity), word_length, stop_bits);
    InstallSlots(port);
    return port;
}

}  // namespace
}  // namespace portkit::driver

using namespace portkit::driver;

extern "C" {

PORTKIT_API PortStructure *PortOpenMSWin32(int port_number, long baud_rate, char parity, int word_length,
                                           int stop_bits) {
    return OpenPort(ComDeviceName(port_number).c_str(), port_number, baud_rate, parity, word_length, stop_bits);
}

PORTKIT_API PortStructure *PortOpenMSWin32ByName(const char *device, long baud_rate, char parity, int word_length,
                                                 int stop_bits) {
    if (device == nullptr) return OpenPort(nullptr, kNoPortNumber, baud_rate, parity, word_length, stop_bits);
    if (portkit::net::IsNetworkName(device)) {
        return portkit::net::OpenNetworkPort(device, baud_rate, parity, word_length, stop_bits);
    }
    return OpenPort(DeviceNameToOpen(device).c_str(), PortNumberOfName(device), baud_rate, parity, word_length,
                    stop_bits);
}

PORTKIT_API int _OpenMSWin32(PortStructure *port, int port_number) {
    return OpenDevice(port, ComDeviceName(port_number).c_str());
}

PORTKIT_API uint32_t PortMSWin32GetEventMask(PortStructure *port) {
    DWORD mask = 0;
    if (port->driver_type == PORTKIT_DRIVER_MSWIN32 && DataOf(port) != nullptr) GetCommMask(DataOf(port)->comm_handle, &mask);
    return mask;
}

PORTKIT_API void *PortMSWin32GetCommHandle(PortStructure *port) {
    if (port->driver_type != PORTKIT_DRIVER_MSWIN32) return nullptr;
    return DataOf(port) != nullptr ? DataOf(port)->comm_handle : nullptr;
}

}  // extern "C"
