#include "support/fake_driver.h"

namespace portkit::test {
namespace {

FakeDriverState *StateOf(PortStructure *port) { return static_cast<FakeDriverState *>(port->driver_data); }

int FakeModemStatus(PortStructure *port) { return StateOf(port)->modem_status; }
int FakeLineStatus(PortStructure *port) { return StateOf(port)->line_status; }
int FakeTxFree(PortStructure *port) { return StateOf(port)->tx_free; }
int FakeRxUsed(PortStructure *port) { return StateOf(port)->rx_used; }

}  // namespace

PortStructure *OpenBarePort() {
    auto *port = static_cast<PortStructure *>(AllocateDriverStructure(sizeof(PortStructure)));
    _InitializeDriverFunctions(port);
    return port;
}

PortStructure *OpenFakePort(FakeDriverState *state, int handle) {
    PortStructure *port = OpenBarePort();
    port->driver_data = state;
    port->driver_type = 99;
    port->handle = handle;
    port->functions.GetModemStatus = FakeModemStatus;
    port->functions.GetLineStatus = FakeLineStatus;
    port->functions.SpaceFreeInTXBuffer = FakeTxFree;
    port->functions.SpaceUsedInRXBuffer = FakeRxUsed;
    return port;
}

}  // namespace portkit::test
