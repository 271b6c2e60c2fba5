// The X11 entry point of the text windows: TWInitialize takes the Xlib
// display (null opens $DISPLAY) and opens the frame on it.
#include <X11/Xlib.h>

#include <cstdint>

#include "portkit/textwin.h"
#include "screen/text_windows/tw_instance.h"
#include "window_systems/x11/connection_x11.h"
#include "window_systems/x11/tw_platform_x11.h"

using namespace portkit;

namespace {

void *HandleOf(::Window id) { return reinterpret_cast<void *>(static_cast<std::uintptr_t>(id)); }

// Only the system's fixed font's cell is read here; the rest of the sizes
// come from the windows themselves.
void ReadSettings(x11::X11Connection &connection) {
    screen::TWSettings &settings = screen::TheTWSettings();
    const XFontStruct *font = connection.font();
    settings.system_char_width = font->max_bounds.width;
    settings.system_char_height = font->ascent + font->descent;
    Display *display = connection.display();
    settings.metrics.screen_width = DisplayWidth(display, DefaultScreen(display));
    settings.metrics.screen_height = DisplayHeight(display, DefaultScreen(display));
}

}  // namespace

extern "C" PORTKIT_API int TWInitialize(void *instance, void *, int show_command, const char *title) {
    static x11::X11TWPlatform platform;
    auto *display = static_cast<Display *>(instance);
    if (display == nullptr) display = XOpenDisplay(nullptr);
    if (display == nullptr) return 0;
    x11::X11Connection *connection = x11::X11Connection::Latest();
    if (connection == nullptr || connection->display() != display) connection = x11::X11Connection::Open(display, -1);
    if (connection == nullptr) return 0;
    screen::InstallTWPlatform(&platform);
    TWInstanceData *data = screen::StartTWInstance(display, show_command);
    if (data == nullptr) return 0;
    ReadSettings(*connection);
    if (!platform.Start(*connection, title)) return 0;
    data->frame_instance = display;
    data->frame = HandleOf(platform.frame_window());
    data->mdi_client = HandleOf(platform.area_window());
    data->menu_bar = data->frame;
    return 1;
}
