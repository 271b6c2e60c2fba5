#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "tools/term/session_log.h"

namespace portkit::tool {

int OpenLogFile(const std::string &path, bool append) {
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT | (append ? _O_APPEND : _O_TRUNC),
                 _S_IREAD | _S_IWRITE);
}

long WriteLogFile(int descriptor, const char *bytes, std::size_t count) {
    constexpr std::size_t kLargestWrite = 1u << 30;  // _write takes an unsigned int
    return _write(descriptor, bytes, static_cast<unsigned>(count < kLargestWrite ? count : kLargestWrite));
}

void CloseLogFile(int descriptor) { _close(descriptor); }

}  // namespace portkit::tool
