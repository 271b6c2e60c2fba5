// What the text windows' calls ask of the window system beyond one window's
// drawing: running its events, making windows, dialogs, menus and message
// boxes. The platform's TWInitialize installs its TWPlatform before it calls
// StartTWInstance (tw_instance.h); tests install a fake.
#ifndef PORTKIT_SCREEN_TEXT_WINDOWS_TW_PLATFORM_H
#define PORTKIT_SCREEN_TEXT_WINDOWS_TW_PLATFORM_H

#include "portkit/textwin.h"

namespace portkit::screen {

// Where and how big a text window is asked to be.
struct TWWindowRequest {
    int row, col;       // position in system-font cells
    int width, height;  // size in the window font's cells
    const char *font_face;
    int font_height;
};

struct TWCreated {
    bool created;
    bool variable_pitch;  // the font is not fixed pitch: the caller warns
};

class TWPlatform {
public:
    virtual ~TWPlatform() = default;

    // TWYield: handles every waiting event, then returns.
    virtual void Yield() = 0;
    // Called between TWYields while TWGetkey waits for a key: may block
    // until an event arrives (briefly; the caller yields again), so that
    // the wait does not spin.
    virtual void AwaitEvents() {}
    // See tw_surface.h for what the window has to do on creation.
    virtual TWCreated CreateTextWindow(TW_WINDOW &w, const TWWindowRequest &request) = 0;
    // TWFreeWindow: the window, if still open, stops using the record.
    virtual void ForgetTextWindow(TW_WINDOW &w) = 0;
    virtual void ShowMessage(const char *caption, const char *text) = 0;
    // Shows the pop-up menu of `count` items at the screen cell (row, col)
    // and returns when it closed; a choice reaches HandleTWWindowCommand.
    virtual void RunMenu(TW_WINDOW &w, int row, int col, const char *const *items, int count) = 0;
    // The line dialog, its field taking at most `limit` characters; `buffer`
    // holds limit + 1 bytes. False when it cannot be built.
    virtual bool RunLineDialog(const char *caption, const char *prompt, char *buffer, int limit) = 0;
    // Destroys the menu bar and its pop-ups (ClearTWInstanceDataPtr).
    virtual void DestroyMenus(TWInstanceData &instance) = 0;
};

void InstallTWPlatform(TWPlatform *platform);
TWPlatform *InstalledTWPlatform();  // null before TWInitialize

}  // namespace portkit::screen

#endif
