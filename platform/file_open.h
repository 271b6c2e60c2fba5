// Opening the files a transfer reads and writes.
#ifndef PORTKIT_PLATFORM_FILE_OPEN_H
#define PORTKIT_PLATFORM_FILE_OPEN_H

#include <cstdio>

namespace portkit::platform {

// fopen with the standard mode strings, except that a mode that writes
// ("w", "a", "+") never follows a symbolic link at the last part of the
// name: a link planted in a receive directory must not carry the write
// elsewhere. Null with errno set (ELOOP for a link) on failure.
std::FILE *OpenTransferFile(const char *name, const char *mode);

}  // namespace portkit::platform

#endif
