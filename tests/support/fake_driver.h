// A small driver for tests of the port core: a few slots filled, the rest
// left at their defaults, with answers the test sets.
#ifndef PORTKIT_TESTS_SUPPORT_FAKE_DRIVER_H
#define PORTKIT_TESTS_SUPPORT_FAKE_DRIVER_H

#include "portkit/port.h"

namespace portkit::test {

struct FakeDriverState {
    int modem_status = 0;
    int line_status = 0;
    int tx_free = 100;
    int rx_used = 0;
};

// Opens a port whose driver answers GetModemStatus, GetLineStatus,
// SpaceFreeInTXBuffer and SpaceUsedInRXBuffer from `state`; the other slots
// keep their defaults. Close it with PWPortClose.
PortStructure *OpenFakePort(FakeDriverState *state, int handle = 7);

// Opens a port that only has the core's defaults.
PortStructure *OpenBarePort();

}  // namespace portkit::test

#endif
