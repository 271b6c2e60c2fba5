// The Win32 communications calls the serial driver is written against: the
// real API on Windows, our own layer of the same shape elsewhere.
#ifndef PORTKIT_PLATFORM_COMM_API_H
#define PORTKIT_PLATFORM_COMM_API_H

#if defined(_WIN32)
#include <windows.h>
#else
#include "platform/posix/comm/win32_comm.h"
// Visible everywhere, as <windows.h> makes them on Windows.
using namespace portkit::win32_imitation;  // NOLINT(google-global-names-in-headers)
#endif

#endif
