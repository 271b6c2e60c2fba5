#include "window_systems/x11/keys_x11.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "platform/virtual_keys.h"
#include "screen/console/console_keys.h"
#include "screen/terminal_window/dsterm_keys.h"

namespace portkit::x11 {
namespace {

struct KeyMapping {
    KeySym keysym;
    unsigned virtual_key;
};

// The keypad's keys act as their grey twins when Num Lock is off.
constexpr KeyMapping kKeys[] = {
    {XK_Home, vk::kHome},     {XK_KP_Home, vk::kHome},     {XK_End, vk::kEnd},       {XK_KP_End, vk::kEnd},
    {XK_Prior, vk::kPrior},   {XK_KP_Prior, vk::kPrior},   {XK_Next, vk::kNext},     {XK_KP_Next, vk::kNext},
    {XK_Left, vk::kLeft},     {XK_KP_Left, vk::kLeft},     {XK_Up, vk::kUp},         {XK_KP_Up, vk::kUp},
    {XK_Right, vk::kRight},   {XK_KP_Right, vk::kRight},   {XK_Down, vk::kDown},     {XK_KP_Down, vk::kDown},
    {XK_Insert, vk::kInsert}, {XK_KP_Insert, vk::kInsert}, {XK_Delete, vk::kDelete}, {XK_KP_Delete, vk::kDelete},
    {XK_Clear, vk::kClear},   {XK_KP_Begin, vk::kClear},
};

}  // namespace

std::uint32_t ControlStateOf(unsigned modifier_state) {
    std::uint32_t state = 0;
    if ((modifier_state & ShiftMask) != 0) state |= screen::kShift;
    if ((modifier_state & ControlMask) != 0) state |= screen::kLeftCtrl;
    return state;
}

unsigned VirtualKeyOf(KeySym keysym) {
    if (keysym >= XK_F1 && keysym <= XK_F12) return vk::kF1 + static_cast<unsigned>(keysym - XK_F1);
    for (const KeyMapping &key : kKeys) {
        if (key.keysym == keysym) return key.virtual_key;
    }
    return 0;
}

int KeyCodesOf(XKeyEvent *event, int (&codes)[kMaxCodesPerKey]) {
    char text[kMaxCodesPerKey];
    KeySym keysym = NoSymbol;
    const int length = XLookupString(event, text, sizeof text, &keysym, nullptr);
    if (const unsigned virtual_key = VirtualKeyOf(keysym); virtual_key != 0) {
        const int code = screen::DSTermKeyDownCode(virtual_key, ControlStateOf(event->state));
        if (code == -1) return 0;
        codes[0] = code;
        return 1;
    }
    for (int i = 0; i < length; ++i) codes[i] = static_cast<unsigned char>(text[i]);
    return length;
}

}  // namespace portkit::x11
