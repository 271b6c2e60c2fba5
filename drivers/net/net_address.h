// Names of ports behind a serial server: rfc2217://HOST:PORT for Telnet with
// Com Port Control, tcp://HOST:PORT for the bare byte stream. HOST is a name,
// an IPv4 address or an IPv6 address in brackets.
#ifndef PORTKIT_DRIVERS_NET_NET_ADDRESS_H
#define PORTKIT_DRIVERS_NET_NET_ADDRESS_H

#include <string>
#include <string_view>

namespace portkit::net {

enum class NetKind { kRawTcp, kRfc2217 };

struct NetAddress {
    NetKind kind = NetKind::kRawTcp;
    std::string host;
    std::string service;  // the TCP port, as digits
};

// True when `name` starts with one of the schemes, whether or not the rest
// is well formed: such a name is never a device path.
bool IsNetworkName(std::string_view name);
// The parts of a well-formed name; false for anything else.
bool ParseNetworkName(std::string_view name, NetAddress *address);

}  // namespace portkit::net

#endif
