#include "screen/text_windows/tw_keys.h"

#include "platform/virtual_keys.h"
#include "screen/terminal_window/dsterm_keys.h"
#include "screen/text_windows/tw_instance.h"
#include "screen/text_windows/tw_view.h"

namespace portkit::screen {
namespace {

// Scroll Lock turns the navigation keys into scrolling; false for the
// other keys.
bool ScrollByKey(TW_WINDOW &w, unsigned virtual_key) {
    using enum TWScrollAction;
    constexpr TWScrollBar kAcross = TWScrollBar::kHorizontal, kDown = TWScrollBar::kVertical;
    switch (virtual_key) {
        case vk::kHome:
            ScrollTWView(w, kAcross, kStart);
            ScrollTWView(w, kDown, kStart);
            return true;
        case vk::kEnd:
            ScrollTWView(w, kAcross, kStart);
            ScrollTWView(w, kDown, kEnd);
            return true;
        case vk::kLeft:
            ScrollTWView(w, kAcross, kLineBack);
            return true;
        case vk::kRight:
            ScrollTWView(w, kAcross, kLineForward);
            return true;
        case vk::kUp:
            ScrollTWView(w, kDown, kLineBack);
            return true;
        case vk::kDown:
            ScrollTWView(w, kDown, kLineForward);
            return true;
        case vk::kPrior:
            ScrollTWView(w, kDown, kPageBack);
            return true;
        case vk::kNext:
            ScrollTWView(w, kDown, kPageForward);
            return true;
        default:
            return false;
    }
}

}  // namespace

bool QueueTWKey(TW_WINDOW &w, int code) {
    const int slot = w.key_in;
    w.keys[slot] = code;
    w.key_in = (slot + 1) % TW_KEY_SLOTS;
    if (w.key_in != w.key_out) return true;
    w.key_in = slot;
    if (TWSurface *surface = TWSurfaceOf(w)) surface->Beep();
    return false;
}

bool TWHasKey(const TW_WINDOW &w) { return w.key_in != w.key_out; }

int TakeTWKey(TW_WINDOW &w) {
    if (!TWHasKey(w)) return -1;
    const int code = w.keys[w.key_out];
    w.key_out = (w.key_out + 1) % TW_KEY_SLOTS;
    return code;
}

void QueueTWCharacter(TW_WINDOW &w, int code) {
    if (code >= 16 && code <= 20) return;
    QueueTWKey(w, code);
}

void TWKeyDown(TW_WINDOW &w, unsigned virtual_key, std::uint32_t control_state, bool scroll_lock) {
    if (scroll_lock && ScrollByKey(w, virtual_key)) return;
    const int code = DSTermKeyDownCode(virtual_key, control_state);
    if (code >= 0) QueueTWKey(w, code);
}

void HandleTWWindowCommand(TW_WINDOW &w, int id) {
    if (id >= TW_MENU_FIRST_ID) w.menu_choice = id - TW_MENU_FIRST_ID;
}

void QueueTWFrameCommand(int id) {
    if (TW_WINDOW *focused = TheTWSettings().focused) QueueTWKey(*focused, id);
}

}  // namespace portkit::screen
