// The dialing directory: names and the numbers to dial for them, as
// NAME=NUMBER lines in the [Dial] section of an INI file, kept through the
// library's INI store.
#ifndef PORTKIT_TOOLS_MODEM_DIAL_DIRECTORY_H
#define PORTKIT_TOOLS_MODEM_DIAL_DIRECTORY_H

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace portkit::tool {

struct DialEntry {
    std::string name;
    std::string number;
};

// $XDG_CONFIG_HOME/portkit/DIAL.INI, else $HOME/.config/portkit/DIAL.INI,
// else %APPDATA%\portkit\DIAL.INI; empty when none of them is set.
std::filesystem::path DefaultDialDirectory();

// Why `file` cannot hold a dialing directory, or nothing when it can. The
// INI store names its file after the one given with the extension ".INI",
// so on a system that tells letter case apart no other name is the file
// itself.
std::optional<std::string> DirectoryFileProblem(const std::filesystem::path &file);

// Why NAME=NUMBER would not read back as that entry, or nothing when it would.
std::optional<std::string> EntryProblem(const std::string &name, const std::string &number);

// Each call gives nothing (or false) on failure, with the reason in error().
class DialDirectory {
public:
    explicit DialDirectory(std::filesystem::path file) : file_(std::move(file)) {}

    const std::filesystem::path &file() const { return file_; }
    const std::string &error() const { return error_; }

    // The number for `name`, letter case aside.
    std::optional<std::string> Find(const std::string &name);
    // Adds the entry or replaces the number, making the file and its
    // directory when they are missing.
    bool Add(const std::string &name, const std::string &number);
    // Every entry in the file's order; none when there is no file yet.
    std::optional<std::vector<DialEntry>> Entries();

private:
    std::filesystem::path file_;
    std::string error_;
};

}  // namespace portkit::tool

#endif
