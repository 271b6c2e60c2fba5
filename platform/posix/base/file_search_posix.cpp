// Directory search and file status over opendir/readdir, fnmatch and stat.
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/file_search.h"

namespace portkit::platform {

class DirectorySearch {
public:
    DIR *directory = nullptr;
    bool match_all = true;
    char pattern[512] = {};
};

namespace {

// Links are followed, as opening the name will follow them.
EntryKind KindOf(DIR *directory, const char *name) {
    struct stat status {};
    if (fstatat(dirfd(directory), name, &status, 0) != 0) return EntryKind::kOther;
    if (S_ISREG(status.st_mode)) return EntryKind::kFile;
    if (S_ISDIR(status.st_mode)) return EntryKind::kDirectory;
    return EntryKind::kOther;
}

}  // namespace

DirectorySearch *OpenDirectorySearch(const char *directory, const char *pattern, int *error) {
    if (pattern != nullptr && std::strlen(pattern) >= sizeof DirectorySearch::pattern) {
        *error = ENAMETOOLONG;
        return nullptr;
    }
    auto *search = new (std::nothrow) DirectorySearch;
    if (search == nullptr) {
        *error = ENOMEM;
        return nullptr;
    }
    search->directory = opendir(directory[0] == '\0' ? "." : directory);
    if (search->directory == nullptr) {
        *error = errno;
        delete search;
        return nullptr;
    }
    if (pattern != nullptr) {
        search->match_all = false;
        std::strcpy(search->pattern, pattern);
    }
    return search;
}

bool NextDirectoryEntry(DirectorySearch *search, DirectoryEntry *entry) {
    while (const dirent *found = readdir(search->directory)) {
        const char *name = found->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        // No FNM_PERIOD: a wildcard matches a leading dot, as on Windows.
        if (!search->match_all && fnmatch(search->pattern, name, FNM_NOESCAPE) != 0) continue;
        entry->name = name;
        entry->kind = KindOf(search->directory, name);
        return true;
    }
    return false;
}

void CloseDirectorySearch(DirectorySearch *search) {
    if (search == nullptr) return;
    closedir(search->directory);
    delete search;
}

int GetFileStatus(const char *path, FileStatus *status) {
    struct stat found {};
    if (stat(path, &found) != 0) return errno;
    status->size = static_cast<std::int64_t>(found.st_size);
    status->modified = static_cast<std::int64_t>(found.st_mtime);
    status->is_directory = S_ISDIR(found.st_mode);
    return 0;
}

}  // namespace portkit::platform
