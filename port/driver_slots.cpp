// Default slot routines, slot initialisation and the out-of-memory port.
#include <cstdlib>

#include "port/port_internal.h"

namespace portkit {
namespace {

PortStructure out_of_memory_port;
bool exit_handler_registered = false;

int NotSupported(PortStructure *port) {
    port->status = PORTKIT_NOT_SUPPORTED;
    return PORTKIT_NOT_SUPPORTED;
}

}  // namespace

bool IsOutOfMemoryPort(const PortStructure *port) { return port == &out_of_memory_port; }

void InstallDefaultSlots(PortStructure *port) {
    DriverFunctions &slots = port->functions;
    slots.ReadChar = _GenericNotSupportedA;
    slots.PeekChar = _GenericNotSupportedA;
    slots.WriteChar = _GenericNotSupportedB;
    slots.PortClose = _GenericPortClose;
    slots.PortSet = _GenericNotSupportedC;
    slots.UseXonXoff = _GenericNotSupportedB;
    slots.UseRtsCts = _GenericNotSupportedB;
    slots.UseDtrDsr = _GenericNotSupportedB;
    slots.SetDtr = _GenericNotSupportedB;
    slots.SetRts = _GenericNotSupportedB;
    slots.SpaceFreeInTXBuffer = _GenericNotSupportedA;
    slots.SpaceUsedInTXBuffer = _GenericNotSupportedA;
    slots.SpaceFreeInRXBuffer = _GenericNotSupportedA;
    slots.SpaceUsedInRXBuffer = _GenericNotSupportedA;
    slots.ClearTXBuffer = _GenericNotSupportedA;
    slots.WriteBuffer = _GenericNotSupportedD;
    slots.ReadBuffer = _GenericNotSupportedE;
    slots.DumpPortStatus = _GenericNotSupportedG;
    slots.SendBreak = _GenericNotSupportedB;
    slots.GetModemStatus = _GenericNotSupportedA;
    slots.GetLineStatus = _GenericNotSupportedA;
    slots.ClearLineStatus = _GenericNotSupportedA;
    slots.Block = _GenericNotSupportedB;
    slots.ClearError = _DefaultClearError;
}

}  // namespace portkit

using portkit::NotSupported;

extern "C" {

// One behaviour in the shape of each slot signature, so that every default
// is called through its own type.
PORTKIT_API int _GenericNotSupportedA(PortStructure *port) { return NotSupported(port); }
PORTKIT_API int _GenericNotSupportedB(PortStructure *port, int) { return NotSupported(port); }
PORTKIT_API int _GenericNotSupportedC(PortStructure *port, long, int, int, int) { return NotSupported(port); }
PORTKIT_API int _GenericNotSupportedD(PortStructure *port, const char *, unsigned int) { return NotSupported(port); }
PORTKIT_API int _GenericNotSupportedE(PortStructure *port, char *, unsigned int) { return NotSupported(port); }

PORTKIT_API int _GenericNotSupportedG(PortStructure *port, PortLinePrinter printer) {
    if (printer != nullptr) {
        printer("Port dump not supported for this driver");
        printer("");
    }
    return NotSupported(port);
}

PORTKIT_API int _GenericPortClose(PortStructure *port) {
    _FreePort(port);
    return 0;
}

PORTKIT_API void _DefaultClearError(PortStructure *port) { port->status = PORTKIT_SUCCESS; }

PORTKIT_API void _InitializeDriverFunctions(PortStructure *port) {
    if (!portkit::exit_handler_registered) {
        portkit::exit_handler_registered = std::atexit(_close_all_ports) == 0;
    }
    port->dialing_method = 0;
    portkit::InstallDefaultSlots(port);
    // The static out-of-memory port is never linked, so it can never be
    // released by a close or stand on the list twice.
    if (!portkit::IsOutOfMemoryPort(port)) portkit::LinkOpenPort(port);
    port->instance_data = AddOrGetDSInstanceData();
}

PORTKIT_API void _FreePort(PortStructure *port) {
    portkit::UnlinkOpenPort(port);
    if (!portkit::IsOutOfMemoryPort(port)) FreeDriverStructure(port);
}

PORTKIT_API PortStructure *_OutOfMemoryPort(void) {
    PortStructure *port = &portkit::out_of_memory_port;
    _InitializeDriverFunctions(port);
    port->handle = -1;
    port->driver_data = nullptr;
    port->driver_type = -1;
    port->status = PORTKIT_NO_MEMORY;
    return port;
}

}  // extern "C"
