// Directory search and file status over FindFirstFileA/FindNextFileA and
// GetFileAttributesExA.
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/file_search.h"

namespace portkit::platform {

class DirectorySearch {
public:
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA data{};
    bool pending = false;  // data holds the first match, not yet reported
};

namespace {

// FILETIME counts 100 ns steps from 1601-01-01.
constexpr std::int64_t kEpochDifference = 11644473600;

int ErrnoOf(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_NO_MORE_FILES:
        case ERROR_INVALID_NAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        default:
            return EIO;
    }
}

}  // namespace

DirectorySearch *OpenDirectorySearch(const char *directory, const char *pattern, int *error) {
    char query[MAX_PATH * 2];
    const char *name = pattern != nullptr ? pattern : "*";
    if (std::strlen(directory) + std::strlen(name) >= sizeof query) {
        *error = ENAMETOOLONG;
        return nullptr;
    }
    std::strcpy(query, directory);
    std::strcat(query, name);
    auto *search = new (std::nothrow) DirectorySearch;
    if (search == nullptr) {
        *error = ENOMEM;
        return nullptr;
    }
    search->handle = FindFirstFileA(query, &search->data);
    if (search->handle == INVALID_HANDLE_VALUE) {
        *error = ErrnoOf(GetLastError());
        delete search;
        return nullptr;
    }
    search->pending = true;
    return search;
}

bool NextDirectoryEntry(DirectorySearch *search, DirectoryEntry *entry) {
    for (;;) {
        if (!search->pending && !FindNextFileA(search->handle, &search->data)) return false;
        search->pending = false;
        const char *name = search->data.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        entry->name = name;
        entry->kind =
            (search->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::kDirectory : EntryKind::kFile;
        return true;
    }
}

void CloseDirectorySearch(DirectorySearch *search) {
    if (search == nullptr) return;
    FindClose(search->handle);
    delete search;
}

int GetFileStatus(const char *path, FileStatus *status) {
    WIN32_FILE_ATTRIBUTE_DATA found;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &found)) return ErrnoOf(GetLastError());
    status->size =
        static_cast<std::int64_t>((static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow);
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) | found.ftLastWriteTime.dwLowDateTime;
    status->modified = static_cast<std::int64_t>(ticks / 10000000u) - kEpochDifference;
    status->is_directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return 0;
}

}  // namespace portkit::platform
