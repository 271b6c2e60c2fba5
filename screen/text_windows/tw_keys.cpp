#include "screen/tw_keys.h"

#include "screen/dsterm_keys.h"
#include "screen/tw_instance.h"
#include "screen/tw_view.h"

namespace portkit::screen {
namespace {

constexpr unsigned kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23, kVkHome = 0x24, kVkLeft = 0x25, kVkUp = 0x26,
                   kVkRight = 0x27, kVkDown = 0x28;

// Scroll Lock turns the navigation keys into scrolling; false for the
// other keys.
bool ScrollByKey(TW_WINDOW &w, unsigned virtual_key) {
    using enum TWScrollAction;
    constexpr TWScrollBar kAcross = TWScrollBar::kHorizontal, kDown = TWScrollBar::kVertical;
    switch (virtual_key) {
        case kVkHome:
            ScrollTWView(w, kAcross, kStart);
            ScrollTWView(w, kDown, kStart);
            return true;
        case kVkEnd:
            ScrollTWView(w, kAcross, kStart);
            ScrollTWView(w, kDown, kEnd);
            return true;
        case kVkLeft:
            ScrollTWView(w, kAcross, kLineBack);
            return true;
        case kVkRight:
            ScrollTWView(w, kAcross, kLineForward);
            return true;
        case kVkUp:
            ScrollTWView(w, kDown, kLineBack);
            return true;
        case kVkDown:
            ScrollTWView(w, kDown, kLineForward);
            return true;
        case kVkPrior:
            ScrollTWView(w, kDown, kPageBack);
            return true;
        case kVkNext:
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
