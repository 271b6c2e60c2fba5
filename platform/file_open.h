// Opening the files a transfer reads and writes.
#ifndef PORTKIT_PLATFORM_FILE_OPEN_H
#define PORTKIT_PLATFORM_FILE_OPEN_H

#include <cstddef>
#include <cstdio>

namespace portkit::platform {

inline constexpr std::size_t kTransferFileBuffer = 65536;

// fopen with the standard mode strings, except that a mode that writes
// ("w", "a", "+") never follows a symbolic link at the last part of the
// name: a link planted in a receive directory must not carry the write
// elsewhere. Null with errno set (ELOOP for a link) on failure.
// The stream has a buffer of 64 KB, so a transfer reads and writes its
// files in large pieces.
std::FILE *OpenTransferFile(const char *name, const char *mode);
// fclose for any stream a transfer had, releasing the buffer of one that
// OpenTransferFile opened.
int CloseTransferFile(std::FILE *file);

// A stream that takes whatever is written and keeps none of it.
std::FILE *OpenDiscardSink();

// True when something of that name is in the directory, a dangling
// symbolic link included.
bool NameTaken(const char *name);

// The file's type and permission bits as POSIX numbers them (0100644), as
// file headers carry them; 0 when unknown or on systems without them.
int FileModeOf(const char *name);

// Gives an open file the permission bits of `mode` (never set-user-ID,
// set-group-ID or sticky), less what the process's umask takes away.
void ApplyFileMode(std::FILE *file, int mode);

// Moves `from` to `to`, replacing a file there. Errno set on failure.
bool ReplaceFileWith(const char *from, const char *to);

}  // namespace portkit::platform

#endif
