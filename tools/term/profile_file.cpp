#include "tools/term/profile_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <random>
#include <system_error>

#include "portkit/ini.h"
#include "tools/cli/in_directory_of.h"

namespace portkit::tool {
namespace {

namespace fs = std::filesystem;

using Store = std::unique_ptr<PBIniStore, decltype(&PBDestroy)>;

// The sections and keys in the file's order, read as the store reads lines:
// a whole "[line]" names a section, a key runs to the first '='.
std::optional<std::vector<ProfileSection>> ScanNames(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<ProfileSection> sections(1);  // keys before any section belong to ""
    std::size_t current = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string name = line.substr(1, line.size() - 2);
            // A section named again goes on where it was, as in the store.
            const auto same = [&](const ProfileSection &s) { return SameIniName(s.name, name); };
            current =
                static_cast<std::size_t>(std::find_if(sections.begin() + 1, sections.end(), same) - sections.begin());
            if (current == sections.size()) sections.push_back({name, {}, {}});
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::vector<std::string> &keys = sections[current].keys;
        const std::string key = line.substr(0, equals);
        const bool listed =
            std::any_of(keys.begin(), keys.end(), [&](const std::string &k) { return SameIniName(k, key); });
        if (!listed) keys.push_back(key);
    }
    sections.erase(sections.begin());
    return sections;
}

// The store reads NAME.INI whatever the name given. Where the file is not
// itself so named (portkit.ini, on a system that tells case apart), a link
// of that name in a private directory stands for it.
int ReadThroughStore(const fs::path &file, PBIniStore *store) {
    std::error_code error;
    const fs::path absolute = fs::absolute(file, error);
    if (error) return 0;
    fs::path store_file = absolute.parent_path() / (absolute.stem().string() + ".INI");
    fs::path made;
    if (!fs::equivalent(store_file, absolute, error)) {
        made = fs::temp_directory_path(error) / ("portkit-profile-" + std::to_string(std::random_device{}()));
        if (error || !fs::create_directory(made, error)) return 0;
        store_file = made / store_file.filename();
        fs::create_symlink(absolute, store_file, error);
    }
    int lines = 0;
    if (InDirectoryOf here(store_file); !error && here) lines = PBReadIniFile(store);
    if (!made.empty()) fs::remove_all(made, error);
    return lines;
}

std::string Trimmed(const std::string &text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool SameIniName(const std::string &a, const std::string &b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::optional<std::vector<ProfileSection>> ReadProfileFile(const fs::path &file, std::string *error) {
    auto sections = ScanNames(file);
    const Store store(PBConstruct(file.filename().string().c_str()), PBDestroy);
    if (!sections || !store || (ReadThroughStore(file, store.get()) == 0 && !sections->empty())) {
        *error = "cannot read " + file.string();
        return std::nullopt;
    }
    for (ProfileSection &section : *sections) {
        for (const std::string &key : section.keys) {
            if (const char *value = PBFindValue(store.get(), section.name.c_str(), key.c_str())) {
                section.values[key] = Trimmed(value);
            }
        }
    }
    return sections;
}

}  // namespace portkit::tool
