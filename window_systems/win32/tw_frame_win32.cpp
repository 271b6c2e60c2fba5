#include "window_systems/win32/tw_frame_win32.h"

#include <initializer_list>
#include <vector>

#include "window_systems/win32/tw_text_window_win32.h"
#include "screen/text_windows/tw_instance.h"
#include "screen/text_windows/tw_keys.h"
#include "screen/text_windows/tw_platform.h"

namespace portkit::win32 {
namespace {

HWND MdiClientOf(const TWInstanceData *data) { return data != nullptr ? static_cast<HWND>(data->mdi_client) : nullptr; }

LRESULT DefaultFrame(HWND frame, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefFrameProcA(frame, MdiClientOf(GetTWInstanceDataPtr()), message, wparam, lparam);
}

HWND CreateMdiClient(HWND frame, const CREATESTRUCTA &create) {
    TWInstanceData *data = GetTWInstanceDataPtr();
    if (data == nullptr) return nullptr;
    CLIENTCREATESTRUCT client{};
    client.hWindowMenu = static_cast<HMENU>(data->window_menu);
    client.idFirstChild = TW_FIRST_CHILD_ID;
    data->frame = frame;
    data->frame_instance = create.hInstance;
    data->mdi_client = CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 0, 0,
                                       frame, nullptr, create.hInstance, &client);
    return static_cast<HWND>(data->mdi_client);
}

// Restores and destroys every text window that agrees to close; true when
// none is left.
bool CloseAllTextWindows(HWND mdi_client) {
    if (mdi_client == nullptr) return true;
    std::vector<HWND> children;
    for (HWND child = GetWindow(mdi_client, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetWindow(child, GW_OWNER) == nullptr) children.push_back(child);
    }
    for (HWND child : children) {
        SendMessageA(mdi_client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(child), 0);
        if (SendMessageA(child, WM_QUERYENDSESSION, 0, 0) == 0) continue;
        SendMessageA(mdi_client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
    }
    return GetWindow(mdi_client, GW_CHILD) == nullptr;
}

void Command(HWND frame, int id) {
    HWND mdi_client = MdiClientOf(GetTWInstanceDataPtr());
    switch (id) {
        case TW_ID_EXIT:
            SendMessageA(frame, WM_CLOSE, 0, 0);
            break;
        case TW_ID_CASCADE:
            SendMessageA(mdi_client, WM_MDICASCADE, 0, 0);
            break;
        case TW_ID_TILE:
            SendMessageA(mdi_client, WM_MDITILE, MDITILE_HORIZONTAL, 0);
            break;
        default:
            screen::QueueTWFrameCommand(id);
            break;
    }
}

void FrameDestroyed() {
    if (TWInstanceData *data = GetTWInstanceDataPtr()) {
        data->quit = 1;
        ClearTWInstanceDataPtr();
        data->frame = nullptr;
        data->mdi_client = nullptr;
    }
    PostQuitMessage(0);
}

LRESULT CALLBACK FrameProcedure(HWND frame, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            return CreateMdiClient(frame, *reinterpret_cast<const CREATESTRUCTA *>(lparam)) != nullptr ? 0 : -1;
        case WM_COMMAND:
            // The window list's entries activate their windows.
            if (LOWORD(wparam) >= TW_FIRST_CHILD_ID) break;
            Command(frame, LOWORD(wparam));
            return 0;
        case WM_QUERYENDSESSION:
            return CloseAllTextWindows(MdiClientOf(GetTWInstanceDataPtr())) ? TRUE : FALSE;
        case WM_CLOSE:
            if (!CloseAllTextWindows(MdiClientOf(GetTWInstanceDataPtr()))) return 0;
            break;
        case WM_DESTROY:
            FrameDestroyed();
            return 0;
        default:
            break;
    }
    return DefaultFrame(frame, message, wparam, lparam);
}

bool Register(const WNDCLASSA &window_class, const char *failure) {
    if (RegisterClassA(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return true;
    if (screen::TWPlatform *platform = screen::InstalledTWPlatform()) platform->ShowMessage("Fatal Error", failure);
    return false;
}

}  // namespace

bool RegisterTWClasses(HINSTANCE instance) {
    WNDCLASSA frame{};
    frame.style = CS_HREDRAW | CS_VREDRAW;
    frame.lpfnWndProc = FrameProcedure;
    frame.hInstance = instance;
    frame.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    frame.hCursor = LoadCursor(nullptr, IDC_ARROW);
    frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    frame.lpszClassName = kFrameClass;
    if (!Register(frame, "Could not create the Frame class")) return false;
    WNDCLASSA text = frame;
    text.lpfnWndProc = TWTextWindowWin32::Procedure;
    text.cbWndExtra = sizeof(TW_WINDOW *);
    text.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    text.lpszClassName = kTextWindowClass;
    return Register(text, "Could not Register the Text Window class");
}

bool BuildTWMenus(TWInstanceData &data) {
    HMENU file = CreatePopupMenu(), window = CreatePopupMenu(), bar = CreateMenu();
    data.file_menu = file;
    data.window_menu = window;
    data.menu_bar = bar;
    if (file == nullptr || window == nullptr || bar == nullptr) {
        DestroyTWMenus(data);
        return false;
    }
    AppendMenuA(file, MF_STRING, TW_ID_EXIT, "E&xit");
    AppendMenuA(window, MF_STRING, TW_ID_CASCADE, "&Cascade");
    AppendMenuA(window, MF_STRING, TW_ID_TILE, "&Tile");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(window), "&Window");
    return true;
}

// The bar takes its pop-ups with it; those of a bar never built go alone.
void DestroyTWMenus(TWInstanceData &data) {
    if (data.frame != nullptr && IsWindow(static_cast<HWND>(data.frame)))
        SetMenu(static_cast<HWND>(data.frame), nullptr);
    for (void *menu : {data.menu_bar, data.file_menu, data.window_menu}) {
        if (menu != nullptr && IsMenu(static_cast<HMENU>(menu))) DestroyMenu(static_cast<HMENU>(menu));
    }
    data.window_menu = data.file_menu = data.menu_bar = nullptr;
}

bool OpenTWFrame(TWInstanceData &data, const char *title) {
    const screen::TWSystemMetrics &metrics = screen::TheTWSettings().metrics;
    HWND frame = CreateWindowExA(0, kFrameClass, title != nullptr ? title : "", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                 0, 0, metrics.screen_width, metrics.screen_height + metrics.caption_height, nullptr,
                                 static_cast<HMENU>(data.menu_bar), static_cast<HINSTANCE>(data.instance), nullptr);
    if (frame == nullptr) return false;
    ShowWindow(frame, data.show_command);
    UpdateWindow(frame);
    return true;
}

}  // namespace portkit::win32
