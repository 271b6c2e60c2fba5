#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_open.h"

namespace portkit::platform {
namespace {

// The open flags of an fopen mode string, or -1 for one fopen would refuse.
int OpenFlagsOf(const char *mode) {
    const bool update = std::strchr(mode, '+') != nullptr;
    switch (mode[0]) {
        case 'r': return update ? O_RDWR : O_RDONLY;
        case 'w': return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
        case 'a': return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
        default: return -1;
    }
}

}  // namespace

std::FILE *OpenTransferFile(const char *name, const char *mode) {
    if (name == nullptr || mode == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    const int flags = OpenFlagsOf(mode);
    if (flags < 0) {
        errno = EINVAL;
        return nullptr;
    }
    if ((flags & O_ACCMODE) == O_RDONLY) return std::fopen(name, mode);
    const int fd = open(name, flags | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE *file = fdopen(fd, mode);
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        errno = error;
    }
    return file;
}

std::FILE *OpenDiscardSink() { return std::fopen("/dev/null", "wb"); }

bool NameTaken(const char *name) {
    struct stat status {};
    return lstat(name, &status) == 0;
}

int FileModeOf(const char *name) {
    struct stat status {};
    return stat(name, &status) == 0 ? static_cast<int>(status.st_mode) : 0;
}

void ApplyFileMode(std::FILE *file, int mode) {
    // umask can only be read by setting it; nothing else here changes it.
    const mode_t mask = umask(022);
    umask(mask);
    fchmod(fileno(file), static_cast<mode_t>(mode) & 0777 & ~mask);
}

bool ReplaceFileWith(const char *from, const char *to) { return std::rename(from, to) == 0; }

}  // namespace portkit::platform
