#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "tools/term/session_log.h"

namespace portkit::tool {

int OpenLogFile(const std::string &path, bool append) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC), 0666);
}

bool WriteLogFile(int descriptor, const char *bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t done = write(descriptor, bytes, count);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            if (done == 0) errno = EIO;
            return false;
        }
        bytes += done;
        count -= static_cast<std::size_t>(done);
    }
    return true;
}

void CloseLogFile(int descriptor) { close(descriptor); }

}  // namespace portkit::tool
