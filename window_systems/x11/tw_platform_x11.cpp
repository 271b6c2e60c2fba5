#include "window_systems/x11/tw_platform_x11.h"

#include <poll.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "screen/text_windows/tw_instance.h"
#include "screen/text_windows/tw_keys.h"
#include "screen/text_windows/tw_view.h"
#include "window_systems/x11/text_window_x11.h"
#include "window_systems/x11/tw_dialog_x11.h"
#include "window_systems/x11/tw_fonts_x11.h"
#include "window_systems/x11/tw_popup_x11.h"

namespace portkit::x11 {
namespace {

// Windows' "place it where you like" position value.
constexpr int kUseDefault = static_cast<int>(0x80000000u);
// The longest a key wait blocks on the display before it yields again (the
// terminal windows' blink timer shares the connection).
constexpr int kAwaitMs = 50;

// A dialog takes the keyboard focus; when it closes the text window that
// had it gets it back.
class FocusKeeper {
public:
    FocusKeeper() : focused_(screen::TheTWSettings().focused) {}
    ~FocusKeeper() {
        if (focused_ == nullptr) return;
        if (screen::TWSurface *surface = screen::TWSurfaceOf(*focused_)) surface->TakeFocus();
    }
    FocusKeeper(const FocusKeeper &) = delete;
    FocusKeeper &operator=(const FocusKeeper &) = delete;

private:
    TW_WINDOW *focused_;
};

}  // namespace

bool X11TWPlatform::Start(X11Connection &connection, const char *title) {
    if (frame_ != nullptr && frame_->open()) frame_->Close();
    connection_ = &connection;
    frame_ = X11TWFrame::Create(connection, title);  // the previous frame, closed by now, is freed
    return frame_ != nullptr;
}

void X11TWPlatform::Yield() {
    if (connection_ != nullptr) connection_->Pump();
}

void X11TWPlatform::AwaitEvents() {
    if (connection_ == nullptr || XPending(connection_->display()) != 0) return;
    pollfd descriptor{ConnectionNumber(connection_->display()), POLLIN, 0};
    poll(&descriptor, 1, kAwaitMs);
}

screen::TWCreated X11TWPlatform::CreateTextWindow(TW_WINDOW &w, const screen::TWWindowRequest &request) {
    if (frame_ == nullptr || !frame_->open()) return {false, false};
    const TWFont font = LoadTWFont(connection_->display(), request.font_face, request.font_height);
    if (font.font == nullptr) return {false, false};
    const screen::TWSettings &settings = screen::TheTWSettings();
    const int client_width = request.width * font.font->max_bounds.width;
    const int client_height = request.height * (font.font->ascent + font.font->descent);
    const int x = request.col == kUseDefault ? 0 : request.col * settings.system_char_width;
    const int y = request.row == kUseDefault ? 0 : request.row * settings.system_char_height;
    X11TextWindow *window = frame_->AddTextWindow(w, font.font, x, y, client_width, client_height);
    if (window == nullptr) {
        XFreeFont(connection_->display(), font.font);
        return {false, false};
    }
    screen::ResizeTWView(w, client_width, client_height);
    window->TakeFocus();
    XSync(connection_->display(), False);
    connection_->Pump();
    return {true, font.variable_pitch};
}

void X11TWPlatform::ForgetTextWindow(TW_WINDOW &w) {
    if (frame_ == nullptr) return;
    if (X11TextWindow *window = frame_->WindowOf(w)) window->Destroy();
}

void X11TWPlatform::ShowMessage(const char *caption, const char *text) {
    if (connection_ == nullptr) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return;
    }
    const FocusKeeper focus;
    RunTWMessageBox(*connection_, frame_ != nullptr ? frame_->frame() : None, caption, text);
}

void X11TWPlatform::RunMenu(TW_WINDOW &w, int row, int col, const char *const *items, int count) {
    if (connection_ == nullptr) return;
    const screen::TWSettings &settings = screen::TheTWSettings();
    const std::vector<std::string> labels(items, items + count);
    const int choice =
        RunTWPopup(*connection_, col * settings.system_char_width, row * settings.system_char_height, labels);
    if (choice >= 0) screen::HandleTWWindowCommand(w, TW_MENU_FIRST_ID + choice);
}

bool X11TWPlatform::RunLineDialog(const char *caption, const char *prompt, char *buffer, int limit) {
    if (connection_ == nullptr) return false;
    std::string line;
    const FocusKeeper focus;
    RunTWLineDialog(*connection_, frame_ != nullptr ? frame_->frame() : None, caption, prompt, limit, line);
    std::memcpy(buffer, line.c_str(), line.size() + 1);
    return true;
}

void X11TWPlatform::DestroyMenus(TWInstanceData &instance) {
    // The menus are drawn by the frame itself: there is nothing to destroy.
    instance.menu_bar = instance.file_menu = instance.window_menu = nullptr;
}

}  // namespace portkit::x11
