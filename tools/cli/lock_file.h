// UUCP lock files, as minicom, picocom and the uucp tools keep them: a file
// LCK..NAME in the lock directory, NAME the device's base name, holding the
// owner's process id as ten ASCII digits right-aligned and a newline.
#ifndef PORTKIT_TOOLS_CLI_LOCK_FILE_H
#define PORTKIT_TOOLS_CLI_LOCK_FILE_H

#include <optional>
#include <string>
#include <string_view>

namespace portkit::tool {

// "LCK..ttyS0" for /dev/ttyS0 (the path with its links followed).
std::string LockFileName(const std::string &device_path);

// "      1234\n".
std::string LockFileText(long pid);

// The process id a lock file holds, in that form or the older binary one (a
// 4-byte int); nothing for anything else, such as a file half written.
std::optional<long> LockFileOwner(std::string_view text);

}  // namespace portkit::tool

#endif
