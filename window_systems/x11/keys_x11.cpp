#include "x11/x11_keys.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "screen/console_keys.h"
#include "screen/dsterm_keys.h"

namespace portkit::x11 {
namespace {

struct KeyMapping {
    KeySym keysym;
    unsigned virtual_key;
};

constexpr unsigned kVkClear = 0x0C, kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23, kVkHome = 0x24,
                   kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28, kVkInsert = 0x2D,
                   kVkDelete = 0x2E, kVkF1 = 0x70;

// The keypad's keys act as their grey twins when Num Lock is off.
constexpr KeyMapping kKeys[] = {
    {XK_Home, kVkHome},       {XK_KP_Home, kVkHome},     {XK_End, kVkEnd},           {XK_KP_End, kVkEnd},
    {XK_Prior, kVkPrior},     {XK_KP_Prior, kVkPrior},   {XK_Next, kVkNext},         {XK_KP_Next, kVkNext},
    {XK_Left, kVkLeft},       {XK_KP_Left, kVkLeft},     {XK_Up, kVkUp},             {XK_KP_Up, kVkUp},
    {XK_Right, kVkRight},     {XK_KP_Right, kVkRight},   {XK_Down, kVkDown},         {XK_KP_Down, kVkDown},
    {XK_Insert, kVkInsert},   {XK_KP_Insert, kVkInsert}, {XK_Delete, kVkDelete},     {XK_KP_Delete, kVkDelete},
    {XK_Clear, kVkClear},     {XK_KP_Begin, kVkClear},
};

}  // namespace

std::uint32_t ControlStateOf(unsigned modifier_state) {
    std::uint32_t state = 0;
    if ((modifier_state & ShiftMask) != 0) state |= screen::kShift;
    if ((modifier_state & ControlMask) != 0) state |= screen::kLeftCtrl;
    return state;
}

unsigned VirtualKeyOf(KeySym keysym) {
    if (keysym >= XK_F1 && keysym <= XK_F12) return kVkF1 + static_cast<unsigned>(keysym - XK_F1);
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
