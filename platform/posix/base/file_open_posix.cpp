#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/file_open.h"

namespace portkit::platform {
namespace {

// The open flags of an fopen mode string, or -1 for one fopen would refuse.
int OpenFlagsOf(const char *mode) {
    const bool update = std::strchr(mode, '+') != nullptr;
    switch (mode[0]) {
        case 'r':
            return update ? O_RDWR : O_RDONLY;
        case 'w':
            return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
        case 'a':
            return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
        default:
            return -1;
    }
}

// glibc sizes a stream's buffer by the file system's block (4 KB) and
// ignores a size given without a buffer, so the buffer is ours, kept until
// the stream closes. Transfers may run on several threads at once.
std::mutex buffers_lock;
std::unordered_map<std::FILE *, std::unique_ptr<char[]>> &Buffers() {
    static auto *buffers = new std::unordered_map<std::FILE *, std::unique_ptr<char[]>>;
    return *buffers;
}

std::FILE *WithLargeBuffer(std::FILE *file) {
    if (file == nullptr) return nullptr;
    auto buffer = std::make_unique<char[]>(kTransferFileBuffer);
    if (std::setvbuf(file, buffer.get(), _IOFBF, kTransferFileBuffer) != 0) return file;
    const std::lock_guard<std::mutex> hold(buffers_lock);
    Buffers()[file] = std::move(buffer);
    return file;
}

}  // namespace

int CloseTransferFile(std::FILE *file) {
    std::unique_ptr<char[]> buffer;  // freed only after fclose has flushed it
    {
        const std::lock_guard<std::mutex> hold(buffers_lock);
        if (const auto found = Buffers().find(file); found != Buffers().end()) {
            buffer = std::move(found->second);
            Buffers().erase(found);
        }
    }
    return std::fclose(file);
}

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
    if ((flags & O_ACCMODE) == O_RDONLY) return WithLargeBuffer(std::fopen(name, mode));
    const int fd = open(name, flags | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE *file = fdopen(fd, mode);
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        errno = error;
    }
    return WithLargeBuffer(file);
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
