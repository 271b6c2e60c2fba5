// Opening a port behind a serial server.
#ifndef PORTKIT_DRIVERS_NET_NET_OPEN_H
#define PORTKIT_DRIVERS_NET_NET_OPEN_H

#include "drivers/net/net_address.h"
#include "portkit/port.h"

namespace portkit::net {

// Never null, as every open: the outcome is in the port's status.
PortStructure *OpenNetworkPort(const char *name, long baud_rate, char parity, int word_length, int stop_bits);

}  // namespace portkit::net

#endif
