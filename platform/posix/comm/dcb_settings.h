// Translating a DCB into line settings and modem-line levels.
#ifndef PORTKIT_PLATFORM_POSIX_COMM_DCB_SETTINGS_H
#define PORTKIT_PLATFORM_POSIX_COMM_DCB_SETTINGS_H

#include "platform/posix/comm/line_endpoint.h"
#include "platform/posix/comm/win32_comm.h"

namespace portkit::posix {

// The state a freshly opened device reports: 9600 8N1, no flow control.
void InitialDcb(DCB *dcb);

// Applies the DCB to the line; 0, or the errno of the refusal.
int ApplyDcb(LineEndpoint &line, const DCB &dcb);

}  // namespace portkit::posix

#endif
