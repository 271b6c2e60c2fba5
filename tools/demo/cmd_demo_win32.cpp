// portkit demo needs two processes joined by a pseudo-terminal, which Windows lacks.
#include <cstdio>

#include "tools/cli/commands.h"

namespace portkit::tool {

int RunDemo(Arguments) {
    std::fprintf(stderr,
                 "portkit demo: needs a POSIX system (it runs both ends of a transfer over a pseudo-terminal)\n");
    return kExitFailure;
}

}  // namespace portkit::tool
