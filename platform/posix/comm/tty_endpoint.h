// A line endpoint over a file descriptor: a serial device, a pty, or (for
// standard input and output) a pipe or socket.
#ifndef PORTKIT_PLATFORM_POSIX_COMM_TTY_ENDPOINT_H
#define PORTKIT_PLATFORM_POSIX_COMM_TTY_ENDPOINT_H

#include <memory>
#include <string>

#include "platform/posix/comm/line_endpoint.h"

namespace portkit::posix {

// Opens a device path without blocking on carrier, locked against other
// openers. Null with errno set on failure.
std::unique_ptr<LineEndpoint> OpenTty(const std::string &path);

// Wraps descriptors the caller already has; they are duplicated, so the
// caller's stay open after the port closes.
std::unique_ptr<LineEndpoint> AdoptDescriptors(int input_fd, int output_fd);

// The speed constant for a standard rate, or false.
bool StandardSpeed(unsigned rate, unsigned *speed_constant);
// Sets any rate through the kernel's arbitrary-rate interface, where it has one.
bool SetArbitrarySpeed(int fd, unsigned rate);

}  // namespace portkit::posix

#endif
