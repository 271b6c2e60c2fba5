// Built without a terminal window (no X11 where it was built).
#include <cstdio>

#include "tools/term/term_display.h"

namespace portkit::tool {

std::unique_ptr<TermDisplay> MakeWindowDisplay(PortStructure *, const DisplayOptions &, int, int) {
    std::fprintf(stderr, "portkit term: --window needs a portkit built with its X11 terminal window\n");
    return nullptr;
}

}  // namespace portkit::tool
