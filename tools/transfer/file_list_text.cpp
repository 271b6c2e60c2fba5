#include "tools/transfer/file_list_text.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace portkit::tool {
namespace {

// The longest name or pattern the library's list takes.
constexpr std::size_t kItemLimit = 256;

bool SeparatesItems(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == ',' || c == ';';
}

// The list splits directories at both slashes on every system; on POSIX a
// backslash is an ordinary character of a name.
bool SplitsForList(char c) { return c == '/' || c == '\\'; }

bool SplitsOnThisSystem(char c) {
#if defined(_WIN32)
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

bool NeedsWildcard(char c) { return SeparatesItems(c) || SplitsForList(c) || c == '*' || c == '?' || c == '['; }

// The pattern has no wildcard but ?, which stands for any one character.
bool Matches(const std::string &pattern, const std::string &name) {
    if (pattern.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (pattern[i] != '?' && pattern[i] != name[i]) return false;
    }
    return true;
}

// Another regular file in `directory` that `pattern` also matches, or "".
std::string OtherMatch(const std::string &directory, const std::string &pattern, const std::string &own_name) {
    std::error_code error;
    const std::filesystem::path where = directory.empty() ? "." : directory;
    for (const auto &entry : std::filesystem::directory_iterator(where, error)) {
        const std::string name = entry.path().filename().string();
        if (name != own_name && Matches(pattern, name) && entry.is_regular_file(error)) return name;
    }
    return "";
}

// False, with the reason on stderr, when the list cannot take the directory part.
bool DirectoryUsable(std::string_view command, const std::string &file, const std::string &directory) {
    for (char c : directory) {
        if (SeparatesItems(c) || (SplitsForList(c) && !SplitsOnThisSystem(c))) {
            std::fprintf(stderr,
                         "portkit %.*s: '%s': a directory name with a blank, tab, line end, comma, semicolon or "
                         "backslash cannot be passed on; send from inside that directory\n",
                         static_cast<int>(command.size()), command.data(), file.c_str());
            return false;
        }
    }
    return true;
}

std::optional<std::string> WithinLimit(std::string_view command, const std::string &file, std::string item) {
    if (item.size() > kItemLimit) {
        std::fprintf(stderr,
                     "portkit %.*s: '%s' is longer than the %zu characters a name may have; use a shorter path\n",
                     static_cast<int>(command.size()), command.data(), file.c_str(), kItemLimit);
        return std::nullopt;
    }
    return item;
}

// Every file in the directory; the list's descent finds those below it.
std::optional<std::string> TreeItemFor(std::string_view command, const std::string &directory) {
    std::string prefix = directory;
    if (prefix.empty() || !SplitsOnThisSystem(prefix.back())) prefix += '/';
    if (!DirectoryUsable(command, directory, prefix)) return std::nullopt;
    return WithinLimit(command, directory, prefix + "*");
}

std::optional<std::string> ItemFor(std::string_view command, const std::string &file) {
    std::size_t split = 0;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (SplitsOnThisSystem(file[i])) split = i + 1;
    }
    const std::string directory = file.substr(0, split);
    const std::string name = file.substr(split);
    if (!DirectoryUsable(command, file, directory)) return std::nullopt;
    std::string pattern = name;
    bool wildcard = false;
    for (char &c : pattern) {
        if (NeedsWildcard(c)) {
            c = '?';
            wildcard = true;
        }
    }
    if (wildcard) {
        if (const std::string other = OtherMatch(directory, pattern, name); !other.empty()) {
            std::fprintf(stderr, "portkit %.*s: '%s' is passed on as the pattern '%s', which also matches '%s'\n",
                         static_cast<int>(command.size()), command.data(), file.c_str(), pattern.c_str(),
                         other.c_str());
            return std::nullopt;
        }
    }
    return WithinLimit(command, file, directory + pattern);
}

}  // namespace

std::optional<std::string> FileListText(std::string_view command, const std::vector<std::string> &files,
                                        bool directories_as_trees) {
    std::string text;
    for (const std::string &file : files) {
        std::error_code error;
        const bool tree = directories_as_trees && std::filesystem::is_directory(file, error);
        const auto item = tree ? TreeItemFor(command, file) : ItemFor(command, file);
        if (!item) return std::nullopt;
        if (!text.empty()) text += ' ';
        text += *item;
    }
    return text;
}

}  // namespace portkit::tool
