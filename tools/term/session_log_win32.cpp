#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

#include "tools/term/session_log.h"

namespace portkit::tool {

int OpenLogFile(const std::string &path, bool append) {
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT | (append ? _O_APPEND : _O_TRUNC),
                 _S_IREAD | _S_IWRITE);
}

bool WriteLogFile(int descriptor, const char *bytes, std::size_t count) {
    while (count > 0) {
        const unsigned chunk = count > 0x40000000u ? 0x40000000u : static_cast<unsigned>(count);
        const int done = _write(descriptor, bytes, chunk);
        if (done <= 0) {
            if (done == 0) errno = EIO;
            return false;
        }
        bytes += done;
        count -= static_cast<std::size_t>(done);
    }
    return true;
}

void CloseLogFile(int descriptor) { _close(descriptor); }

}  // namespace portkit::tool
