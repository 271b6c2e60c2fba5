// Making and releasing text windows.
#include <cstdlib>
#include <string>

#include "portkit/textwin.h"
#include "screen/text_windows/tw_instance.h"
#include "screen/text_windows/tw_platform.h"
#include "screen/text_windows/tw_view.h"
#include "screen/text_windows/tw_window.h"

using namespace portkit::screen;

namespace {

void Tell(TWPlatform *platform, const char *caption, const char *text) {
    if (platform != nullptr) platform->ShowMessage(caption, text);
}

std::string VariablePitchWarning(const char *face) {
    std::string text = "This window's font is ";
    text += face != nullptr ? face : "";
    text +=
        ".\n\nThis is a variable pitch font, meaningthis window will probably not work properly.  "
        "Change to a fixed pitch font for better results.";
    return text;
}

}  // namespace

extern "C" {

PORTKIT_API TW_WINDOW *TWDefineWindow(int row, int col, int width, int height, int scroll_bars, const char *title,
                                      const char *font_face, int font_height) {
    TWPlatform *platform = InstalledTWPlatform();
    auto *w = static_cast<TW_WINDOW *>(std::calloc(1, sizeof(TW_WINDOW)));
    if (w == nullptr) {
        Tell(platform, "Fatal Error", "Could not allocate\nTW_WINDOW I/O buffer");
        return nullptr;
    }
    InitTWWindow(*w, scroll_bars, title);
    w->instance = GetTWInstanceDataPtr();
    const TWCreated created = platform != nullptr
                                  ? platform->CreateTextWindow(*w, {row, col, width, height, font_face, font_height})
                                  : TWCreated{false, false};
    if (!created.created) {
        Tell(platform, "Error", "Could not create window");
        std::free(w);
        return nullptr;
    }
    if (created.variable_pitch) Tell(platform, "Warning Message", VariablePitchWarning(font_face).c_str());
    UpdateTWCaret(*w);
    return w;
}

PORTKIT_API void TWFreeWindow(TW_WINDOW *w) {
    if (w == nullptr) return;
    if (TWPlatform *platform = InstalledTWPlatform(); platform != nullptr && w->window != nullptr) {
        platform->ForgetTextWindow(*w);
    }
    DetachTWSurface(*w);
    if (TheTWSettings().focused == w) TheTWSettings().focused = nullptr;
    std::free(w);
}

}  // extern "C"
