// Time and thread identity over Win32.
#include <windows.h>

#include "platform/platform.h"

namespace portkit::platform {

std::uint32_t SystemTickCount() { return GetTickCount(); }

int LocalSeconds() {
    SYSTEMTIME local;
    GetLocalTime(&local);
    return local.wSecond;
}

void *CurrentThreadKey() { return GetCurrentThread(); }

}  // namespace portkit::platform
