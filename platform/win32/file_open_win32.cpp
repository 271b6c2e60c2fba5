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
    std::FILE *file = std::fopen(name, mode);
    // The C runtime allocates a buffer of the size asked for by itself.
    if (file != nullptr) std::setvbuf(file, nullptr, _IOFBF, kTransferFileBuffer);
    return file;
}

int CloseTransferFile(std::FILE *file) { return std::fclose(file); }

std::FILE *OpenDiscardSink() { return std::fopen("NUL", "wb"); }

bool NameTaken(const char *name) { return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES; }

// Windows files have no POSIX permission bits to carry.
int FileModeOf(const char *) { return 0; }

void ApplyFileMode(std::FILE *, int) {}

bool ReplaceFileWith(const char *from, const char *to) {
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) return true;
    errno = EACCES;
    return false;
}

}  // namespace portkit::platform
