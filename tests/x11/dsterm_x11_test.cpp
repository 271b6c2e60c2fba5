// The X11 terminal window through its exported calls on a real X server
// (run by with_xvfb.sh): fitting and centring, keys, closing through the
// window manager's protocol. Skipped without DISPLAY.
// gtest first: Xlib's None and Bool macros would break its names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdint>
#include <cstdlib>

#include "portkit/dsterm.h"
#include "portkit/port.h"

namespace {

class DSTermX11Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::getenv("DISPLAY") == nullptr) return;
        observer = XOpenDisplay(nullptr);
        initialised = observer != nullptr && InitDSTerm(nullptr) != 0;
    }

    void SetUp() override {
        if (!initialised) GTEST_SKIP() << "no X display";
    }

    static ::Window IdOf(EmulatorHandle window) {
        return static_cast<::Window>(reinterpret_cast<std::uintptr_t>(window));
    }

    // Lets the library's idle wait serve the window's events for a while.
    static void Serve(int milliseconds) { PortKillTime(nullptr, milliseconds); }

    // Sends `event` to the window from another client, as a window manager
    // or a keyboard would.
    static void SendFromOutside(EmulatorHandle window, XEvent event, long mask) {
        XSendEvent(observer, IdOf(window), False, mask, &event);
        XSync(observer, False);
    }

    static XEvent KeyEvent(EmulatorHandle window, KeySym keysym, unsigned state) {
        XEvent event{};
        event.xkey.type = KeyPress;
        event.xkey.display = observer;
        event.xkey.window = IdOf(window);
        event.xkey.root = DefaultRootWindow(observer);
        event.xkey.keycode = XKeysymToKeycode(observer, keysym);
        event.xkey.state = state;
        event.xkey.same_screen = True;
        return event;
    }

    static inline Display *observer = nullptr;
    static inline bool initialised = false;
};

TEST_F(DSTermX11Test, ANewWindowIsFittedToTheGridAndCentredOnItsArea) {
    EmulatorHandle window = DSTermCreateWindow(nullptr, 100, 50, 900, 600, DSTERM_GRID(25, 80));
    ASSERT_NE(window, nullptr);
    Serve(50);
    EXPECT_EQ(_DSTermRows(window), 25);
    EXPECT_EQ(_DSTermCols(window), 80);
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    ASSERT_TRUE(XGetGeometry(observer, IdOf(window), &root, &x, &y, &width, &height, &border, &depth));
    EXPECT_EQ(width % 80, 0u);
    EXPECT_EQ(height % 25, 0u);
    EXPECT_EQ(x, 100 + (900 - static_cast<int>(width)) / 2);
    EXPECT_EQ(y, 50 + (600 - static_cast<int>(height)) / 2);
}

TEST_F(DSTermX11Test, KeyPressesQueueCharactersAndKeyCodes) {
    EmulatorHandle window = DSTermCreateWindow(nullptr, 0, 0, 400, 300, 0);
    ASSERT_NE(window, nullptr);
    SendFromOutside(window, KeyEvent(window, XK_a, 0), KeyPressMask);
    SendFromOutside(window, KeyEvent(window, XK_F1, ControlMask), KeyPressMask);
    SendFromOutside(window, KeyEvent(window, XK_Up, ShiftMask), KeyPressMask);
    SendFromOutside(window, KeyEvent(window, XK_Shift_L, 0), KeyPressMask);
    Serve(100);
    EXPECT_EQ(DSTermKbhit(window), 1);
    EXPECT_EQ(DSTermGetKey(window), 'a');
    EXPECT_EQ(DSTermGetKey(window), 0x5E00);  // Ctrl+F1
    EXPECT_EQ(DSTermGetKey(window), 0x4800);  // Shift+Up is Up
    EXPECT_EQ(DSTermGetKey(window), -1);      // Shift alone gives nothing
}

TEST_F(DSTermX11Test, TheWindowManagersCloseRequestClosesTheWindow) {
    EmulatorHandle window = DSTermCreateWindow(nullptr, 0, 0, 400, 300, 0);
    ASSERT_NE(window, nullptr);
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = IdOf(window);
    close.xclient.message_type = XInternAtom(observer, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(observer, "WM_DELETE_WINDOW", False));
    SendFromOutside(window, close, NoEventMask);
    for (int i = 0; i < 40 && DSTermGetKey(window) != DSTERM_WINDOW_CLOSED; ++i) Serve(50);
    EXPECT_EQ(DSTermGetKey(window), DSTERM_WINDOW_CLOSED);
    _DSTermPuts(window, "after the end");  // passed over
}

}  // namespace
