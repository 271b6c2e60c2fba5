#include <windows.h>

#include "platform/directories.h"

namespace portkit::platform {

bool CreateParentDirectories(const std::string &relative_path) {
    for (std::size_t slash = relative_path.find('/'); slash != std::string::npos;
         slash = relative_path.find('/', slash + 1)) {
        const std::string directory = relative_path.substr(0, slash);
        if (!CreateDirectoryA(directory.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
        const DWORD attributes = GetFileAttributesA(directory.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace portkit::platform
