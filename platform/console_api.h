// The Win32 console calls the console backend is written against: the real
// API on Windows, our own layer over the user's terminal elsewhere.
#ifndef PORTKIT_PLATFORM_CONSOLE_API_H
#define PORTKIT_PLATFORM_CONSOLE_API_H

#if defined(_WIN32)
#include <windows.h>
#else
#include "platform/posix/console/win32_console.h"
using namespace portkit::win32_imitation;  // NOLINT(google-global-names-in-headers)
#endif

#endif
