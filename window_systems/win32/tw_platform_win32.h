// The text windows' platform on Win32, installed by TWInitialize.
#ifndef PORTKIT_WINDOW_SYSTEMS_WIN32_TW_PLATFORM_WIN32_H
#define PORTKIT_WINDOW_SYSTEMS_WIN32_TW_PLATFORM_WIN32_H

#include "window_systems/win32/tw_windows_win32.h"
#include "screen/text_windows/tw_platform.h"

namespace portkit::win32 {

screen::TWPlatform &TheTWPlatformWin32();

}  // namespace portkit::win32

#endif
