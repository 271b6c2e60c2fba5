// The text windows' platform on Win32, installed by TWInitialize.
#ifndef PORTKIT_PLATFORM_WIN32_TW_PLATFORM_WIN32_H
#define PORTKIT_PLATFORM_WIN32_TW_PLATFORM_WIN32_H

#include "platform/win32/tw_windows_win32.h"
#include "screen/tw_platform.h"

namespace portkit::win32 {

screen::TWPlatform &TheTWPlatformWin32();

}  // namespace portkit::win32

#endif
