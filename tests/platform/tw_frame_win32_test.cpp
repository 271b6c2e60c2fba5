// The text windows' Win32 side through real windows on Wine's display-less
// driver: the frame's classes, menus and MDI client, a text window's place
// and window word, key messages reaching the queue, frame commands, and
// File, Exit closing everything while TWYield leaves WM_QUIT to the
// program.
#include "window_systems/win32/tw_windows_win32.h"

#include <gtest/gtest.h>

#include <string>

#include "window_systems/win32/tw_font_win32.h"
#include "window_systems/win32/tw_line_dialog_win32.h"
#include "portkit/textwin.h"
#include "screen/terminal_window/dsterm_keys.h"
#include "screen/text_windows/tw_instance.h"

namespace portkit::win32 {
namespace {

// A fixed-pitch face the machine has: a proportional one would stop the
// test at the warning box.
const char *FixedFace() {
    for (const char *face : {"Courier New", "Liberation Mono", "DejaVu Sans Mono", "Consolas"}) {
        HFONT font = CreateTWFont(face, 13);
        const bool fixed = font != nullptr && !MeasureTWFont(font).variable_pitch;
        if (font != nullptr) DeleteObject(font);
        if (fixed) return face;
    }
    return nullptr;
}

class TWFrameWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        face = FixedFace();
        if (face == nullptr) GTEST_SKIP() << "no fixed-pitch font";
        ASSERT_EQ(TWInitialize(nullptr, nullptr, SW_HIDE, "Frame"), 1);
        data = GetTWInstanceDataPtr();
        ASSERT_NE(data, nullptr);
    }
    void TearDown() override {
        if (data != nullptr && data->frame != nullptr) DestroyWindow(static_cast<HWND>(data->frame));
        for (TW_WINDOW *w : {first, second}) TWFreeWindow(w);
        TWFreeInstanceData();
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    TW_WINDOW *Define(int width, int height, int scroll_bars) {
        return TWDefineWindow(1, 2, width, height, scroll_bars, "Text", face, 13);
    }
    static int MenuId(void *menu, int position) {
        return static_cast<int>(GetMenuItemID(static_cast<HMENU>(menu), position));
    }

    const char *face = nullptr;
    TWInstanceData *data = nullptr;
    TW_WINDOW *first = nullptr, *second = nullptr;
};

TEST_F(TWFrameWin32Test, TheFrameHoldsItsMenusAndAnMdiClient) {
    HWND frame = static_cast<HWND>(data->frame);
    char name[32];
    GetClassNameA(frame, name, sizeof name);
    EXPECT_STREQ(name, "FrameClass");
    EXPECT_EQ(GetMenu(frame), static_cast<HMENU>(data->menu_bar));
    EXPECT_EQ(GetSubMenu(static_cast<HMENU>(data->menu_bar), 0), static_cast<HMENU>(data->file_menu));
    EXPECT_EQ(GetSubMenu(static_cast<HMENU>(data->menu_bar), 1), static_cast<HMENU>(data->window_menu));
    EXPECT_EQ(MenuId(data->file_menu, 0), TW_ID_EXIT);
    EXPECT_EQ(MenuId(data->window_menu, 0), TW_ID_CASCADE);
    EXPECT_EQ(MenuId(data->window_menu, 1), TW_ID_TILE);
    HWND client = static_cast<HWND>(data->mdi_client);
    ASSERT_NE(client, nullptr);
    GetClassNameA(client, name, sizeof name);
    EXPECT_STRCASEEQ(name, "MDICLIENT");
    EXPECT_EQ(GetParent(client), frame);

    WNDCLASSA text_class;
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "VideoClass", &text_class));
    EXPECT_EQ(text_class.cbWndExtra, static_cast<int>(sizeof(void *)));
    EXPECT_TRUE(text_class.style & CS_HREDRAW);
    EXPECT_TRUE(text_class.style & CS_VREDRAW);
    EXPECT_GT(screen::TheTWSettings().system_char_width, 0);
    EXPECT_GT(screen::TheTWSettings().system_char_height, 0);
}

TEST_F(TWFrameWin32Test, ATextWindowIsAnMdiChildShowingTheCellsAskedFor) {
    first = Define(40, 10, 0);
    ASSERT_NE(first, nullptr);
    HWND window = static_cast<HWND>(first->window);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetParent(window), static_cast<HWND>(data->mdi_client));
    EXPECT_EQ(reinterpret_cast<TW_WINDOW *>(GetWindowLongPtrA(window, 0)), first);
    EXPECT_NE(first->font, nullptr);
    EXPECT_GT(first->char_width, 0);
    EXPECT_GT(first->char_height, 0);
    EXPECT_EQ(first->visible_cols, 40);
    EXPECT_EQ(first->visible_rows, 10);
    EXPECT_EQ(first->row_offset, 0);
    EXPECT_EQ(first->instance, data);

    // With scroll bars the window grows by them; the cells stay as asked.
    second = Define(40, 10, 1);
    ASSERT_NE(second, nullptr);
    const LONG style = GetWindowLongA(static_cast<HWND>(second->window), GWL_STYLE);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_EQ(second->visible_cols, 40);
    EXPECT_EQ(second->visible_rows, 10);
}

TEST_F(TWFrameWin32Test, KeyMessagesAndFrameCommandsReachTheQueue) {
    first = Define(40, 10, 0);
    ASSERT_NE(first, nullptr);
    HWND window = static_cast<HWND>(first->window);
    SendMessageA(window, WM_CHAR, 'a', 0);
    SendMessageA(window, WM_CHAR, 17, 0);  // dropped, as 16 to 20 are
    SendMessageA(window, WM_KEYDOWN, VK_F1, 0);
    SendMessageA(window, WM_KEYDOWN, 'B', 0);  // its character comes as WM_CHAR
    screen::TheTWSettings().focused = first;   // as WM_SETFOCUS leaves it
    SendMessageA(static_cast<HWND>(data->frame), WM_COMMAND, 555, 0);
    EXPECT_EQ(TWGetkey(first), 'a');
    EXPECT_EQ(TWGetkey(first), screen::DSTermKeyDownCode(VK_F1, 0));
    EXPECT_EQ(TWGetkey(first), 555);
    EXPECT_EQ(TWKbhit(first), 0);
}

TEST_F(TWFrameWin32Test, ExitClosesTheWindowsAndTheFrameAndLeavesWmQuit) {
    first = Define(40, 10, 0);
    ASSERT_NE(first, nullptr);
    HWND window = static_cast<HWND>(first->window);
    SendMessageA(window, WM_CHAR, 'a', 0);
    PostMessageA(static_cast<HWND>(data->frame), WM_COMMAND, TW_ID_EXIT, 0);
    TWYield();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(first->window, nullptr);
    EXPECT_EQ(first->font, nullptr);
    EXPECT_EQ(data->quit, 1);
    EXPECT_EQ(data->menu_bar, nullptr);
    EXPECT_EQ(TWGetkey(first), -1);  // though a key is queued
    EXPECT_EQ(TWKbhit(first), 1);
    char line[8];
    EXPECT_EQ(TWGets(first, line, sizeof line), nullptr);
    // Output goes on into the buffer alone.
    TWPuts(first, "x");
    EXPECT_EQ(first->text[TW_SCROLLBACK_ROWS][0], 'x');
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(TWFrameWin32Test, AFreedRecordIsNoLongerTouchedByItsOpenWindow) {
    first = Define(40, 10, 0);
    ASSERT_NE(first, nullptr);
    HWND window = static_cast<HWND>(first->window);
    TWFreeWindow(first);
    first = nullptr;
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetWindowLongPtrA(window, 0), 0);
    SendMessageA(window, WM_CHAR, 'a', 0);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

// What the line dialog showed, and the answer given to it from a timer that
// runs inside its modal loop.
struct DialogVisit {
    std::string prompt;
    LONG edit_style = 0;
    WORD answer = IDOK;
};
DialogVisit visit;

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA(nullptr, "Caption");
    if (dialog == nullptr) return;
    KillTimer(nullptr, timer);
    char prompt[64] = {};
    GetDlgItemTextA(dialog, kLinePromptId, prompt, sizeof prompt);
    visit.prompt = prompt;
    visit.edit_style = GetWindowLongA(GetDlgItem(dialog, kLineEditId), GWL_STYLE);
    SetDlgItemTextA(dialog, kLineEditId, "abcdefgh");
    SendMessageA(dialog, WM_COMMAND, visit.answer, 0);
}

TEST_F(TWFrameWin32Test, TheLineDialogFillsAtMostItsBufferOnOkAndNothingOnCancel) {
    char line[6];
    visit = {};
    SetTimer(nullptr, 0, 10, AnswerDialog);
    ASSERT_EQ(TWGetLine("Caption", "Prompt", line, sizeof line), 1);
    EXPECT_STREQ(line, "abcde");
    EXPECT_EQ(visit.prompt, "Prompt");
    EXPECT_TRUE(visit.edit_style & ES_AUTOHSCROLL);

    visit = {};
    visit.answer = IDCANCEL;
    SetTimer(nullptr, 0, 10, AnswerDialog);
    ASSERT_EQ(TWGetLine("Caption", "Prompt", line, sizeof line), 1);
    EXPECT_STREQ(line, "");
}

}  // namespace
}  // namespace portkit::win32
