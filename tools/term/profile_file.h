// Reading the profile file: the library's INI store gives the values; the
// store cannot walk its names, so the sections and their keys are found by
// reading the lines as the store reads them.
#ifndef PORTKIT_TOOLS_TERM_PROFILE_FILE_H
#define PORTKIT_TOOLS_TERM_PROFILE_FILE_H

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace portkit::tool {

struct ProfileSection {
    std::string name;
    std::vector<std::string> keys;              // in the file's order, each once
    std::map<std::string, std::string> values;  // by key as listed
};

// Every section in the file's order, with the store's value for each key;
// nothing, with the reason in `error`, when the file cannot be read.
std::optional<std::vector<ProfileSection>> ReadProfileFile(const std::filesystem::path &file, std::string *error);

// Whether two section or key names are the same to the store (ASCII case aside).
bool SameIniName(const std::string &a, const std::string &b);

}  // namespace portkit::tool

#endif
