// The terminal window on X: the library opens $DISPLAY.
#include <cstdio>

#include "portkit/dsterm.h"
#include "term_window_system.h"

namespace portkit::tool {

bool OpenWindowSystem() {
    if (InitDSTerm(nullptr) != 0) return true;
    std::fprintf(stderr, "portkit term: --window cannot open the X display (is DISPLAY set?)\n");
    return false;
}

}  // namespace portkit::tool
