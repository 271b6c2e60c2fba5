#include "tools/modem/dial_directory.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <system_error>
#include <unordered_set>

#include "portkit/ini.h"
#include "tools/cli/in_directory_of.h"

namespace portkit::tool {
namespace {

namespace fs = std::filesystem;

constexpr const char *kSection = "Dial";

using Store = std::unique_ptr<PBIniStore, decltype(&PBDestroy)>;

bool SameName(const std::string &a, const std::string &b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string Folded(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

bool HasControlCharacter(const std::string &text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

// The file read into a fresh store; null, with the reason in `error`, when
// it is there but cannot be read. A missing file gives an empty store.
Store ReadStore(const fs::path &file, std::string *error) {
    Store store(PBConstruct(file.filename().string().c_str()), PBDestroy);
    if (!store) {
        *error = "out of memory";
        return Store(nullptr, PBDestroy);
    }
    std::error_code ignored;
    const bool empty = !fs::exists(file, ignored) || fs::file_size(file, ignored) == 0;
    int lines = 0;
    if (InDirectoryOf here(file); here) lines = PBReadIniFile(store.get());
    // Lines read is all the store tells; a file with something in it gives at least one.
    if (!empty && lines == 0) {
        *error = "cannot read " + file.string();
        return Store(nullptr, PBDestroy);
    }
    return store;
}

// The names of the [Dial] entries in the file's order, each once; the store
// has no way to walk its keys.
std::optional<std::vector<std::string>> EntryNames(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    std::string section;
    std::string line;
    // Lines are taken as the store takes them: a whole [line] is a section,
    // the key runs to the first '='.
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || !SameName(section, kSection)) continue;
        std::string name = line.substr(0, equals);
        // Remembered folded, so a name already listed is found at once however many came before.
        if (seen.insert(Folded(name)).second) names.push_back(std::move(name));
    }
    return names;
}

}  // namespace

fs::path DefaultDialDirectory() {
    const auto set = [](const char *variable) -> const char * {
        const char *value = std::getenv(variable);
        return value != nullptr && *value != '\0' ? value : nullptr;
    };
    if (const char *config = set("XDG_CONFIG_HOME")) return fs::path(config) / "portkit" / "DIAL.INI";
    if (const char *home = set("HOME")) return fs::path(home) / ".config" / "portkit" / "DIAL.INI";
    if (const char *appdata = set("APPDATA")) return fs::path(appdata) / "portkit" / "DIAL.INI";
    return {};
}

std::optional<std::string> DirectoryFileProblem(const fs::path &file) {
    const std::string name = file.filename().string();
    if (name.empty() || name == "." || name == "..") return "--directory names a file, such as phones.INI";
    // The store would cut the name at these and use another file.
    if (name.find_first_of(":\\") != std::string::npos) return "a dialing directory's name holds no ':' or '\\'";
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && name.compare(dot, std::string::npos, ".INI") == 0) return std::nullopt;
    fs::path instead = file;
    instead.replace_filename(name.substr(0, dot) + ".INI");
    return "a dialing directory is named NAME.INI: use " + instead.string();
}

std::optional<std::string> EntryProblem(const std::string &name, const std::string &number) {
    if (name.empty()) return "NAME is empty";
    if (number.empty()) return "NUMBER is empty";
    if (HasControlCharacter(name) || HasControlCharacter(number)) return "NAME and NUMBER are one line each";
    // The file would split the name at '=', or read a line "[NAME=NUMBER]" as a section.
    if (name.find('=') != std::string::npos) return "NAME holds no '='";
    if (name.front() == '[') return "NAME does not start with '['";
    return std::nullopt;
}

std::optional<std::string> DialDirectory::Find(const std::string &name) {
    std::error_code ignored;
    if (!fs::exists(file_, ignored)) {
        error_ = "no dialing directory at " + file_.string() + "; add entries with --add NAME NUMBER";
        return std::nullopt;
    }
    const Store store = ReadStore(file_, &error_);
    if (!store) return std::nullopt;
    const char *number = PBFindValue(store.get(), kSection, name.c_str());
    if (number == nullptr) {
        error_ = "no entry '" + name + "' in " + file_.string();
        return std::nullopt;
    }
    return std::string(number);
}

bool DialDirectory::Add(const std::string &name, const std::string &number) {
    std::error_code error;
    if (file_.has_parent_path()) fs::create_directories(file_.parent_path(), error);
    if (error) {
        error_ = "cannot make " + file_.parent_path().string() + ": " + error.message();
        return false;
    }
    const Store store = ReadStore(file_, &error_);
    if (!store) return false;
    if (PBAddKey(store.get(), kSection, name.c_str(), number.c_str()) == 0) {
        error_ = "out of memory";
        return false;
    }
    {
        InDirectoryOf here(file_);
        if (here) PBWriteIniFile(store.get());
    }
    // The store does not say whether the write worked: read the file back.
    const Store written = ReadStore(file_, &error_);
    const char *found = written ? PBFindValue(written.get(), kSection, name.c_str()) : nullptr;
    if (found == nullptr || number != found) {
        error_ = "cannot write " + file_.string();
        return false;
    }
    return true;
}

std::optional<std::vector<DialEntry>> DialDirectory::Entries() {
    std::error_code ignored;
    if (!fs::exists(file_, ignored)) return std::vector<DialEntry>{};
    const auto names = EntryNames(file_);
    const Store store = names ? ReadStore(file_, &error_) : Store(nullptr, PBDestroy);
    if (!store) {
        if (error_.empty()) error_ = "cannot read " + file_.string();
        return std::nullopt;
    }
    std::vector<DialEntry> entries;
    // The numbers are the store's, so the list shows what a dial would use.
    for (const std::string &name : *names) {
        if (const char *number = PBFindValue(store.get(), kSection, name.c_str())) entries.push_back({name, number});
    }
    return entries;
}

}  // namespace portkit::tool
