// The terminal window on Windows: the class "DSTerm" registered for
// portkit.exe itself.
#include <cstdio>

#include "portkit/dsterm.h"
#include "term_window_system.h"

namespace portkit::tool {

bool OpenWindowSystem() {
    if (InitDSTerm(nullptr) != 0) return true;
    std::fprintf(stderr, "portkit term: --window cannot register the terminal window's class\n");
    return false;
}

}  // namespace portkit::tool
