// The terminal window's Win32 side through real windows of class "DSTerm":
// fitting to whole cells, the window words, keys from window messages, the
// blink timer and fonts shared by an instance's windows, and closing.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "window_systems/win32/dsterm_instance_win32.h"
#include "portkit/dsterm.h"
#include "screen/terminal_window/dsterm_keys.h"
#include "screen/terminal_window/dsterm_registry.h"

namespace portkit::win32 {
namespace {

constexpr int kAltContextBit = 1 << 29;

class DSTermWindowWin32Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // One class registration per process: the instance slot is never given back.
        static const unsigned atom = InitDSTerm(nullptr);
        ASSERT_NE(atom, 0u);
    }
    void TearDown() override {
        for (HWND window : windows) DestroyWindow(window);
    }

    HWND Create(HWND parent, int x, int y, int width, int height, unsigned long style) {
        HWND window = static_cast<HWND>(DSTermCreateWindow(parent, x, y, width, height, style));
        if (window != nullptr) windows.push_back(window);
        return window;
    }
    static DSTermInstanceWin32 &Instance() { return *DSTermInstanceFor(GetModuleHandleA(nullptr)); }
    static const screen::DSTermRecord &Record(HWND window) {
        return *reinterpret_cast<const screen::DSTermRecord *>(GetWindowLongPtrA(window, 0));
    }
    // Runs the thread's messages (the blink timer among them) for a while.
    static void Pump(DWORD milliseconds) {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < milliseconds) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
            Sleep(10);
        }
    }

    std::vector<HWND> windows;
};

TEST_F(DSTermWindowWin32Test, RegisteringTheClassTwiceForOneInstanceFails) {
    EXPECT_EQ(InitDSTerm(GetModuleHandleA(nullptr)), 0u);
    WNDCLASSA window_class;
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "DSTerm", &window_class));
    EXPECT_TRUE(window_class.style & CS_HREDRAW);
    EXPECT_TRUE(window_class.style & CS_VREDRAW);
}

TEST_F(DSTermWindowWin32Test, StyleBytesLimitTheGridAndTheWindowStaysCentred) {
    HWND window = Create(nullptr, 10, 20, 1000, 700, DSTERM_GRID(25, 80));
    ASSERT_NE(window, nullptr);
    const screen::DSTermRecord &record = Record(window);
    EXPECT_EQ(record.window, window);
    EXPECT_EQ(record.rows, 25);
    EXPECT_EQ(record.cols, 80);
    EXPECT_GT(record.cell_width, 0);
    EXPECT_GT(record.cell_height, 0);
    RECT client, outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    EXPECT_EQ(client.right, 80 * record.cell_width);
    EXPECT_EQ(client.bottom, 25 * record.cell_height);
    // Half of what was taken away on each side (a pixel of rounding).
    EXPECT_NEAR(outer.left + outer.right, 10 + 1010, 1);
    EXPECT_NEAR(outer.top + outer.bottom, 20 + 720, 1);
    EXPECT_EQ(_DSTermRows(window), 25);
    EXPECT_EQ(_DSTermCols(window), 80);
}

TEST_F(DSTermWindowWin32Test, WithoutLimitsTheGridFillsTheClientArea) {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    windows.push_back(parent);
    HWND child = Create(parent, 30, 40, 300, 200, 0);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(GetWindowLongA(child, GWL_STYLE) & WS_CHILD);
    const screen::DSTermRecord &record = Record(child);
    EXPECT_EQ(record.cols, 300 / record.cell_width);
    EXPECT_EQ(record.rows, 200 / record.cell_height);
    // Placed in the parent's coordinates, centred on the area asked for.
    RECT place;
    GetWindowRect(child, &place);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT *>(&place), 2);
    EXPECT_EQ(place.left, 30 + (300 - record.cols * record.cell_width) / 2);
    EXPECT_EQ(place.top, 40 + (200 - record.rows * record.cell_height) / 2);
}

TEST_F(DSTermWindowWin32Test, KeyMessagesFillTheQueue) {
    HWND window = Create(nullptr, 0, 0, 400, 300, 0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageA(window, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, DLGC_WANTALLKEYS);

    SendMessageA(window, WM_CHAR, 0x1E1, 0);   // only the low byte counts
    SendMessageA(window, WM_KEYDOWN, 'A', 0);  // comes as a character
    SendMessageA(window, WM_KEYDOWN, VK_UP, 0);
    SendMessageA(window, WM_SYSKEYDOWN, VK_F10, 0);              // F10 is a system key
    SendMessageA(window, WM_SYSKEYDOWN, VK_F5, kAltContextBit);  // Alt keys are the system's
    EXPECT_EQ(DSTermKbhit(window), 1);
    EXPECT_EQ(DSTermGetKey(window), 0xE1);
    EXPECT_EQ(DSTermGetKey(window), screen::DSTermKeyDownCode(VK_UP, 0));
    EXPECT_EQ(DSTermGetKey(window), screen::DSTermKeyDownCode(VK_F10, 0));
    EXPECT_EQ(DSTermGetKey(window), -1);
    EXPECT_EQ(DSTermKbhit(window), 0);
}

TEST_F(DSTermWindowWin32Test, AnInstancesWindowsShareItsTimerAndFontsUntilTheLastCloses) {
    HWND first = Create(nullptr, 0, 0, 400, 300, 0);
    ASSERT_NE(first, nullptr);
    const UINT_PTR timer = Instance().blink_timer;
    EXPECT_NE(timer, 0u);
    ASSERT_NE(Instance().font, nullptr);
    EXPECT_NE(Instance().underlined_font, nullptr);
    HWND second = Create(nullptr, 50, 50, 400, 300, 0);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Instance().blink_timer, timer);

    // The timer outlives the window that started it, and ticks every window.
    DestroyWindow(first);
    windows.erase(windows.begin());
    EXPECT_EQ(DSTermGetKey(first), DSTERM_WINDOW_CLOSED);
    EXPECT_EQ(Instance().blink_timer, timer);
    Pump(1300);
    EXPECT_GE(Record(second).blink_counter, 2u);

    DestroyWindow(second);
    windows.clear();
    EXPECT_EQ(Instance().blink_timer, 0u);
    EXPECT_EQ(Instance().font, nullptr);
    EXPECT_EQ(screen::DSTermInstanceAt(Instance().slot)->open_windows, 0);
}

TEST_F(DSTermWindowWin32Test, AWindowOfAnInstanceWithoutTheClassIsRefused) {
    // The class registered again for another module: its windows have no slot.
    WNDCLASSA ours;
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "DSTerm", &ours));
    HINSTANCE stranger = GetModuleHandleA("kernel32.dll");
    ours.hInstance = stranger;
    ASSERT_NE(RegisterClassA(&ours), 0);
    EXPECT_EQ(CreateWindowExA(0, "DSTerm", "", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr, stranger, nullptr),
              nullptr);
    UnregisterClassA("DSTerm", stranger);
}

}  // namespace
}  // namespace portkit::win32
