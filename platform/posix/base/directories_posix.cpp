#include <sys/stat.h>

#include <cerrno>

#include "platform/directories.h"

namespace portkit::platform {

bool CreateParentDirectories(const std::string &relative_path) {
    for (std::size_t slash = relative_path.find('/'); slash != std::string::npos;
         slash = relative_path.find('/', slash + 1)) {
        const std::string directory = relative_path.substr(0, slash);
        if (mkdir(directory.c_str(), 0777) != 0 && errno != EEXIST) return false;
        struct stat info {};
        // A symlink planted where a directory should be could lead outside.
        if (lstat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    }
    return true;
}

}  // namespace portkit::platform
