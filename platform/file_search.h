// Directory listing and file status for the list of files to send. Error
// numbers are errno values on every platform.
#ifndef PORTKIT_PLATFORM_FILE_SEARCH_H
#define PORTKIT_PLATFORM_FILE_SEARCH_H

#include <cstdint>

namespace portkit::platform {

// How the platform spells paths: the separator they are built with, whether a
// drive letter's colon ends a directory part ("A:NAME"), and whether names
// that differ only in case name the same file. Both / and \ are taken as
// separators in names the user gives.
#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
inline constexpr bool kDriveColon = true;
inline constexpr bool kNamesIgnoreCase = true;
#else
inline constexpr char kPathSeparator = '/';
inline constexpr bool kDriveColon = false;
inline constexpr bool kNamesIgnoreCase = false;
#endif

enum class EntryKind { kFile, kDirectory, kOther };

struct DirectoryEntry {
    const char *name;  // valid until the next call on the search
    EntryKind kind;    // links are followed; kOther covers devices, pipes and dangling links
};

class DirectorySearch;

// Starts listing `directory` (empty for the current one, else ending in a
// separator) for names that match `pattern`, or every name when `pattern` is
// null. "." and ".." are never listed. Null with *error set on failure.
DirectorySearch *OpenDirectorySearch(const char *directory, const char *pattern, int *error);

// The next entry; false at the end.
bool NextDirectoryEntry(DirectorySearch *search, DirectoryEntry *entry);

// Null is allowed.
void CloseDirectorySearch(DirectorySearch *search);

struct FileStatus {
    std::int64_t size;
    std::int64_t modified;  // UTC seconds since 1970
    bool is_directory;
};

// 0, or the errno value of the failure.
int GetFileStatus(const char *path, FileStatus *status);

}  // namespace portkit::platform

#endif
