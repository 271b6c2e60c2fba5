// The text windows' calls on Win32 (TWPlatform): the message pump with the
// MDI accelerators, message boxes, the pop-up menu and the line dialog.
#include "window_systems/win32/tw_platform_win32.h"

#include "window_systems/win32/tw_frame_win32.h"
#include "window_systems/win32/tw_line_dialog_win32.h"
#include "window_systems/win32/tw_text_window_win32.h"
#include "screen/text_windows/tw_instance.h"

namespace portkit::win32 {
namespace {

// The longest a key wait blocks on the message queue before it yields again.
constexpr DWORD kAwaitMs = 50;

HWND FrameOf(const TWInstanceData *data) { return data != nullptr ? static_cast<HWND>(data->frame) : nullptr; }

class TWPlatformWin32 final : public screen::TWPlatform {
public:
    void Yield() override {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // Left for the application's own message loop.
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            const TWInstanceData *data = GetTWInstanceDataPtr();
            if (data != nullptr && !data->quit && data->mdi_client != nullptr &&
                TranslateMDISysAccel(static_cast<HWND>(data->mdi_client), &message)) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    // Returns as soon as a message is waiting, even one seen before.
    void AwaitEvents() override { MsgWaitForMultipleObjectsEx(0, nullptr, kAwaitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE); }

    screen::TWCreated CreateTextWindow(TW_WINDOW &w, const screen::TWWindowRequest &request) override {
        return TWTextWindowWin32::Create(w, request);
    }

    void ForgetTextWindow(TW_WINDOW &w) override { TWTextWindowWin32::Forget(w); }

    void ShowMessage(const char *caption, const char *text) override {
        MessageBoxA(FrameOf(GetTWInstanceDataPtr()), text, caption, MB_OK | MB_ICONEXCLAMATION);
    }

    void RunMenu(TW_WINDOW &w, int row, int col, const char *const *items, int count) override {
        HMENU menu = CreatePopupMenu();
        if (menu == nullptr) return;
        for (int i = 0; i < count; ++i) AppendMenuA(menu, MF_STRING, TW_MENU_FIRST_ID + i, items[i]);
        const screen::TWSettings &settings = screen::TheTWSettings();
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_LEFTBUTTON, col * settings.system_char_width,
                       row * settings.system_char_height, 0, static_cast<HWND>(w.window), nullptr);
        DestroyMenu(menu);
    }

    bool RunLineDialog(const char *caption, const char *prompt, char *buffer, int limit) override {
        const TWInstanceData *data = GetTWInstanceDataPtr();
        HINSTANCE instance =
            static_cast<HINSTANCE>(data != nullptr ? data->instance : screen::TheTWSettings().instance);
        return RunTWLineDialog(instance, FrameOf(data), caption, prompt, buffer, limit);
    }

    void DestroyMenus(TWInstanceData &data) override { DestroyTWMenus(data); }
};

}  // namespace

screen::TWPlatform &TheTWPlatformWin32() {
    static TWPlatformWin32 platform;
    return platform;
}

}  // namespace portkit::win32
