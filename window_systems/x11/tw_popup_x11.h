// A pop-up menu on X: an override-redirect window that holds the keyboard
// and the pointer until an item is chosen or the menu is dismissed.
#ifndef PORTKIT_WINDOW_SYSTEMS_X11_TW_POPUP_X11_H
#define PORTKIT_WINDOW_SYSTEMS_X11_TW_POPUP_X11_H

#include <string>
#include <vector>

#include "window_systems/x11/connection_x11.h"

namespace portkit::x11 {

// Besides an index or -1 (dismissed): Left or Right pressed in a menu of the
// menu bar, which then opens its neighbour.
constexpr int kTWPopupLeft = -2, kTWPopupRight = -3;

// Shows `items` ("&"-marked mnemonics) with the top left at the root
// position (x, y) and runs the display's events until the menu closes.
int RunTWPopup(X11Connection &connection, int x, int y, const std::vector<std::string> &items);

}  // namespace portkit::x11

#endif
