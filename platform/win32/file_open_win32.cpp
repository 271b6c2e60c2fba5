#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/file_open.h"

namespace portkit::platform {

std::FILE *OpenTransferFile(const char *name, const char *mode) {
    if (name == nullptr || mode == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    const bool writes = mode[0] == 'w' || mode[0] == 'a' || std::strchr(mode, '+') != nullptr;
    if (writes) {
        // A symbolic link or junction at the name is refused rather than written through.
        const DWORD attributes = GetFileAttributesA(name);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            errno = EACCES;
            return nullptr;
        }
    }
    return std::fopen(name, mode);
}

}  // namespace portkit::platform
