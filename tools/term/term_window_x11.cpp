// The terminal window on X: InitDSTerm(nullptr) opens $DISPLAY.
#include "tools/term/term_window_system.h"

namespace portkit::tool {

const char kWindowSystemFailure[] = "cannot open the X display (is DISPLAY set?)";

}  // namespace portkit::tool
