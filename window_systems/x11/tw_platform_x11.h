// The text windows' calls on X: the TWPlatform over the display's
// connection and the frame.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_TW_PLATFORM_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_TW_PLATFORM_X11_H

#include <memory>

#include "screen/text_windows/tw_platform.h"
#include "window_systems/x11/connection_x11.h"
#include "window_systems/x11/tw_frame_x11.h"

namespace portkit::x11 {

class X11TWPlatform final : public screen::TWPlatform {
public:
    // Opens the frame on `connection` (closing one still open); false when X
    // refuses it.
    bool Start(X11Connection &connection, const char *title);
    ::Window frame_window() const { return frame_ != nullptr ? frame_->frame() : None; }
    ::Window area_window() const { return frame_ != nullptr ? frame_->area() : None; }

    void Yield() override;
    void AwaitEvents() override;
    screen::TWCreated CreateTextWindow(TW_WINDOW &w, const screen::TWWindowRequest &request) override;
    void ForgetTextWindow(TW_WINDOW &w) override;
    void ShowMessage(const char *caption, const char *text) override;
    void RunMenu(TW_WINDOW &w, int row, int col, const char *const *items, int count) override;
    bool RunLineDialog(const char *caption, const char *prompt, char *buffer, int limit) override;
    void DestroyMenus(TWInstanceData &instance) override;

private:
    X11Connection *connection_ = nullptr;
    std::unique_ptr<X11TWFrame> frame_;
};

}  // namespace portkit::x11

#endif
