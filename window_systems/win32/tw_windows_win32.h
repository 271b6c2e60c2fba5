// <windows.h> for the text windows' files: its Yield macro (the 16-bit
// call, now empty) would otherwise rename TWPlatform::Yield.
#ifndef PORTKIT_WINDOW_SYSTEMS_WIN32_TW_WINDOWS_WIN32_H
#define PORTKIT_WINDOW_SYSTEMS_WIN32_TW_WINDOWS_WIN32_H

#include <windows.h>

#undef Yield

#endif
