#include "tools/term/session_log.h"

#include <cerrno>
#include <cstring>

namespace portkit::tool {

bool SessionLog::Open(const std::string &path, std::string *error) {
    const int descriptor = OpenLogFile(path, append_);
    if (descriptor < 0) {
        if (error != nullptr) *error = std::strerror(errno);
        return false;
    }
    Close();
    descriptor_ = descriptor;
    path_ = path;
    return true;
}

void SessionLog::Close() {
    if (descriptor_ >= 0) CloseLogFile(descriptor_);
    descriptor_ = -1;
}

void SessionLog::Write(const char *bytes, std::size_t count) {
    if (descriptor_ < 0) return;
    errno = 0;
    while (count > 0) {
        const long done = WriteLogFile(descriptor_, bytes, count);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) break;
        bytes += done;
        count -= static_cast<std::size_t>(done);
    }
    if (count == 0) return;
    if (errno == 0) errno = EIO;
    failure_ = "Writing the log " + path_ + " failed: " + std::strerror(errno) + "; the log is closed";
    Close();
}

std::string SessionLog::TakeFailure() {
    std::string failure;
    failure.swap(failure_);
    return failure;
}

}  // namespace portkit::tool
