// The text windows' calls on X: the TWPlatform over the display's
// connection and the frame.
#ifndef PORTKIT_X11_X11_TW_PLATFORM_H
#define PORTKIT_X11_X11_TW_PLATFORM_H

#include "screen/tw_platform.h"
#include "x11/x11_connection.h"
#include "x11/x11_tw_frame.h"

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
    X11TWFrame *frame_ = nullptr;
};

}  // namespace portkit::x11

#endif
