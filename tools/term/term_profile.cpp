#include "tools/term/term_profile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "tools/cli/option_table.h"
#include "tools/cli/port_option.h"
#include "tools/term/profile_file.h"

namespace portkit::tool {
namespace {

namespace fs = std::filesystem;

std::optional<bool> YesOrNo(std::string value) {
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (value == "yes" || value == "true" || value == "1" || value == "on") return true;
    if (value == "no" || value == "false" || value == "0" || value == "off") return false;
    return std::nullopt;
}

// The flag that says the opposite of `flag`: reconnect and no-reconnect.
std::string Opposite(const std::string &flag) { return flag.rfind("no-", 0) == 0 ? flag.substr(3) : "no-" + flag; }

bool IsFlag(const std::string &name) {
    const OptionHelp *row = FindOption("term", name);
    return row != nullptr && row->value.empty();
}

// Only the options that choose how the terminal runs: not the ones that
// make it do something else.
bool ProfileKey(const std::string &name) { return name != "list-profiles" && FindOption("term", name) != nullptr; }

struct ProfileError {
    const fs::path &file;
    const std::string &section;
    bool operator()(const std::string &what) const {
        std::fprintf(stderr, "portkit term: %s, [%s]: %s\n", file.string().c_str(), section.c_str(), what.c_str());
        return false;
    }
};

// One key of the profile into `options`, unless the command line set it.
bool ApplyKey(Options &options, std::string key, const std::string &value, const ProfileError &error) {
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string flag = IsFlag(key) ? key : Opposite(key);
    if (!ProfileKey(key) && !(IsFlag(flag) && ProfileKey(flag)))
        return error(key + " is not an option of portkit term");
    if (!IsFlag(flag)) {
        if (!options.Has(key)) options.Set(key, value);
        return true;
    }
    const std::optional<bool> on = YesOrNo(value);
    if (!on) return error(key + " is yes or no, not '" + value + "'");
    if (options.Has(flag) || options.Has(Opposite(flag))) return true;
    // ansi=no, or reconnect=no where no-reconnect is the flag.
    const std::string set = *on == (flag == key) ? flag : Opposite(flag);
    if (IsFlag(set)) options.SetFlag(set);
    return true;
}

const ProfileSection *FindSection(const std::vector<ProfileSection> &sections, const std::string &name) {
    for (const ProfileSection &section : sections) {
        if (SameIniName(section.name, name)) return &section;
    }
    return nullptr;
}

std::string Trimmed(std::string text) {
    text.erase(0, std::min(text.find_first_not_of(" \t"), text.size()));
    text.erase(text.find_last_not_of(" \t") + 1);
    return text;
}

}  // namespace

fs::path DefaultProfileFile() {
    for (const auto &[variable, below] : {std::pair{"XDG_CONFIG_HOME", ""}, {"HOME", ".config"}, {"APPDATA", ""}}) {
        const char *value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return fs::path(value) / below / "portkit" / "portkit.ini";
    }
    return {};
}

bool NamesDevice(const std::string &word) {
    std::error_code ignored;
    return word.find('/') != std::string::npos || PortNumberFor(word) >= 0 || fs::exists(word, ignored);
}

bool ApplyProfile(Options &options, const std::string &name, const fs::path &file) {
    std::string error;
    std::error_code ignored;
    if (file.empty()) {
        std::fprintf(stderr, "portkit term: '%s' is no device, and there is no home directory for profiles\n",
                     name.c_str());
        return false;
    }
    const auto sections = fs::exists(file, ignored) ? ReadProfileFile(file, &error) : std::vector<ProfileSection>{};
    if (!sections) {
        std::fprintf(stderr, "portkit term: %s\n", error.c_str());
        return false;
    }
    const ProfileSection *section = FindSection(*sections, name);
    if (section == nullptr) {
        std::fprintf(stderr, "portkit term: '%s' is neither a device nor a profile in %s\n", name.c_str(),
                     file.string().c_str());
        return false;
    }
    const ProfileError report{file, section->name};
    for (const std::string &key : section->keys) {
        const std::string option = Trimmed(key);
        if (option.empty() || option[0] == ';' || option[0] == '#') continue;  // a comment
        const auto value = section->values.find(key);
        if (!ApplyKey(options, option, value == section->values.end() ? "" : value->second, report)) return false;
    }
    return true;
}

int ListProfiles(const fs::path &file) {
    std::string error;
    std::error_code ignored;
    if (file.empty() || !fs::exists(file, ignored)) {
        std::fprintf(stderr, "portkit term: no profiles: %s does not exist\n",
                     file.empty() ? "the profile file" : file.string().c_str());
        return kExitFailure;
    }
    const auto sections = ReadProfileFile(file, &error);
    if (!sections) {
        std::fprintf(stderr, "portkit term: %s\n", error.c_str());
        return kExitFailure;
    }
    std::size_t width = 0;
    for (const ProfileSection &section : *sections) width = std::max(width, section.name.size());
    for (const ProfileSection &section : *sections) {
        std::string port = "(no port)";
        for (const auto &[key, value] : section.values) {
            if (SameIniName(Trimmed(key), "port")) port = value;
        }
        std::printf("%-*s  %s\n", static_cast<int>(width), section.name.c_str(), port.c_str());
    }
    return kExitOk;
}

}  // namespace portkit::tool
