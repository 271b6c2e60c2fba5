// TWInitialize on Win32: the instance's record, the system's sizes, the
// window classes, the menus and the MDI frame.
#include "window_systems/win32/tw_windows_win32.h"

#include "window_systems/win32/tw_frame_win32.h"
#include "window_systems/win32/tw_platform_win32.h"
#include "portkit/textwin.h"
#include "screen/text_windows/tw_instance.h"

using namespace portkit;

namespace {

screen::TWSystemMetrics ReadSystemMetrics() {
    return {GetSystemMetrics(SM_CXFRAME),      GetSystemMetrics(SM_CYCAPTION),    GetSystemMetrics(SM_CYMENU),
            GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN), GetSystemMetrics(SM_CXVSCROLL),
            GetSystemMetrics(SM_CYHSCROLL)};
}

// Windows and pop-up menus are placed by cells of the system's fixed font.
void MeasureSystemFont(screen::TWSettings &settings) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, GetStockObject(SYSTEM_FIXED_FONT));
    TEXTMETRICA metrics{};
    GetTextMetricsA(screen, &metrics);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    settings.system_char_width = metrics.tmAveCharWidth;
    settings.system_char_height = metrics.tmHeight + metrics.tmExternalLeading;
}

}  // namespace

extern "C" PORTKIT_API int TWInitialize(void *instance, void *previous_instance, int show_command, const char *title) {
    // Null stands for the program itself, as a null display does on X.
    HINSTANCE handle = instance != nullptr ? static_cast<HINSTANCE>(instance) : GetModuleHandleA(nullptr);
    screen::InstallTWPlatform(&win32::TheTWPlatformWin32());
    TWInstanceData *data = screen::StartTWInstance(handle, show_command);
    if (data == nullptr) return 0;
    screen::TWSettings &settings = screen::TheTWSettings();
    settings.metrics = ReadSystemMetrics();
    if (previous_instance == nullptr && !win32::RegisterTWClasses(handle)) return 0;
    if (!win32::BuildTWMenus(*data)) return 0;
    MeasureSystemFont(settings);
    return win32::OpenTWFrame(*data, title) ? 1 : 0;
}
