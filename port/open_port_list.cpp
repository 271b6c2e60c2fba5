// The list of open ports and closing them at process exit.
#include <cstdlib>

#include "port/port_internal.h"

namespace portkit {
namespace {

PortStructure *open_ports_head = nullptr;

}  // namespace

void LinkOpenPort(PortStructure *port) {
    port->next = open_ports_head;
    open_ports_head = port;
}

void UnlinkOpenPort(PortStructure *port) {
    for (PortStructure **link = &open_ports_head; *link != nullptr; link = &(*link)->next) {
        if (*link == port) {
            *link = port->next;
            port->next = nullptr;
            return;
        }
    }
}

PortStructure *FirstOpenPort() { return open_ports_head; }

}  // namespace portkit

extern "C" PORTKIT_API void _close_all_ports(void) {
    while (PortStructure *port = portkit::open_ports_head) {
        port->functions.PortClose(port);
        // A driver whose close leaves the record linked would loop for ever.
        if (portkit::open_ports_head == port) portkit::UnlinkOpenPort(port);
    }
}
