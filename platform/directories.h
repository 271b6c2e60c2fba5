// Creating the directories a received file's relative path needs.
#ifndef PORTKIT_PLATFORM_DIRECTORIES_H
#define PORTKIT_PLATFORM_DIRECTORIES_H

#include <string>

namespace portkit::platform {

// Creates every directory of `relative_path` but its last part ('/' separated).
bool CreateParentDirectories(const std::string &relative_path);

}  // namespace portkit::platform

#endif
