// Windows consoles are not byte pipes a transfer can run over; --stdio is refused.
#include <cstdio>

#include "tools/transfer/stdio_line.h"

namespace portkit::tool {

bool StdioLineAvailable(const std::string &command) {
    std::fprintf(stderr, "portkit %s: --stdio needs a POSIX system; use --port\n", command.c_str());
    return false;
}

PortStructure *OpenStdioLine(const std::string &, const Options &) { return nullptr; }

void RestoreStdio() {}

bool StderrSharesStdio() { return false; }

}  // namespace portkit::tool
