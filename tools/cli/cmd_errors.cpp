// portkit errors: every status code and its message, one per line.
#include <cstdio>
#include <cstring>

#include "portkit/port.h"
#include "tools/cli/commands.h"

namespace portkit::tool {
namespace {

void PrintRange(int from, int to) {
    for (int code = from; code >= to; --code) {
        const char *message = CommErrorName(code);
        if (std::strcmp(message, "Unknown error code") == 0) continue;
        std::printf("%5d  %s\n", code, message);
    }
}

}  // namespace

int RunErrors(Arguments arguments) {
    if (!arguments.empty()) {
        std::fprintf(stderr, "portkit errors: takes no arguments\n");
        return kExitUsage;
    }
    PrintRange(0, -42);
    PrintRange(-601, -623);
    return kExitOk;
}

}  // namespace portkit::tool
