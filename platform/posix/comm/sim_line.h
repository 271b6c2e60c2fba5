// A simulated null-modem cable with both ends in this process, for what a
// pty cannot show: modem lines, line errors, break, ring and a slow line.
// The ends are opened as devices named "sim:NAME:a" and "sim:NAME:b" and may
// be used from two threads.
#ifndef PORTKIT_PLATFORM_POSIX_COMM_SIM_LINE_H
#define PORTKIT_PLATFORM_POSIX_COMM_SIM_LINE_H

#include <cstdint>
#include <memory>
#include <string>

#include "platform/posix/comm/line_endpoint.h"

namespace portkit::posix {

// Opens end 'a' or 'b' of the named cable; the cable exists while an end is
// open. Null with errno EBUSY when that end is already open.
std::unique_ptr<LineEndpoint> OpenSimEnd(const std::string &cable, char end);

}  // namespace portkit::posix

// Controls for tests. Each returns false when no end of the cable is open.
namespace portkit::sim {

// Bytes per second in each direction; 0 (the default) moves bytes at once.
bool SetLineRate(const std::string &cable, std::uint32_t bytes_per_second);

// Marks line errors (CE_FRAME, CE_RXPARITY, CE_OVERRUN, CE_BREAK bits) as
// received at `end`.
bool InjectLineErrors(const std::string &cable, char end, std::uint32_t ce_bits);

// Raises or drops the ring indicator seen at `end`.
bool SetRing(const std::string &cable, char end, bool on);

// Bytes sent towards `end` that have not arrived yet.
std::size_t BytesInFlight(const std::string &cable, char end);

}  // namespace portkit::sim

#endif
