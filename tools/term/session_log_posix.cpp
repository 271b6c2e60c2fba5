#include <fcntl.h>
#include <unistd.h>

#include "tools/term/session_log.h"

namespace portkit::tool {

int OpenLogFile(const std::string &path, bool append) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), 0666);
}

long WriteLogFile(int descriptor, const char *bytes, std::size_t count) { return write(descriptor, bytes, count); }

void CloseLogFile(int descriptor) { close(descriptor); }

}  // namespace portkit::tool
