#include "tools/cli/options.h"

#include <cstdio>
#include <cstdlib>

#include "tools/cli/option_table.h"

namespace portkit::tool {
namespace {

// The parser's sets and the option table must agree, or --help, the man
// page and the completion would describe another tool. A disagreement is a
// fault in portkit, which any test that runs the command finds.
bool TableAgrees(const std::string &command, const std::set<std::string> &valued, const std::set<std::string> &flags) {
    for (const OptionHelp &row : OptionTable(command)) {
        const std::string name(row.name);
        if ((row.value.empty() ? flags : valued).count(name) == 0) {
            std::fprintf(
                stderr, "portkit %s: --%s is in the option table but not taken as it says there (a fault in portkit)\n",
                command.c_str(), name.c_str());
            return false;
        }
    }
    for (const std::set<std::string> *names : {&valued, &flags}) {
        for (const std::string &name : *names) {
            if (FindOption(command, name) != nullptr || FindOption(SiblingCommand(command), name) != nullptr) continue;
            std::fprintf(stderr, "portkit %s: --%s is taken but not in the option table (a fault in portkit)\n",
                         command.c_str(), name.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

bool Options::Take(const std::string &name, std::optional<std::string> value, Arguments arguments, std::size_t &i,
                   const std::set<std::string> &valued, const std::set<std::string> &flags) {
    if (flags.count(name) != 0 && !value) {
        flags_.insert(name);
        return true;
    }
    if (valued.count(name) == 0) {
        std::fprintf(stderr, "portkit %s: unknown option --%s\n", command_.c_str(), name.c_str());
        return false;
    }
    if (!value) {
        if (i + 1 >= arguments.size()) {
            std::fprintf(stderr, "portkit %s: --%s needs a value\n", command_.c_str(), name.c_str());
            return false;
        }
        value = arguments[++i];
    }
    values_[name] = *value;
    return true;
}

// -vq is -v -q; -pVALUE and -p VALUE are --port VALUE.
bool Options::TakeShort(const std::string &argument, Arguments arguments, std::size_t &i,
                        const std::set<std::string> &valued, const std::set<std::string> &flags) {
    for (std::size_t letter = 1; letter < argument.size(); ++letter) {
        const OptionHelp *row = FindShortOption(command_, argument[letter]);
        if (row == nullptr) {
            std::fprintf(stderr, "portkit %s: unknown option -%c\n", command_.c_str(), argument[letter]);
            return false;
        }
        const std::string name(row->name);
        if (row->value.empty()) {
            if (!Take(name, std::nullopt, arguments, i, valued, flags)) return false;
            continue;
        }
        const std::string rest = argument.substr(letter + 1);
        return Take(name, rest.empty() ? std::nullopt : std::optional<std::string>(rest), arguments, i, valued, flags);
    }
    return true;
}

std::optional<Options> Options::Parse(std::string_view command, Arguments arguments,
                                      const std::set<std::string> &valued, const std::set<std::string> &flags) {
    Options options;
    options.command_ = std::string(command);
    if (!TableAgrees(options.command_, valued, flags)) return std::nullopt;
    bool options_ended = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string argument = arguments[i];
        if (options_ended || argument.size() < 2 || argument[0] != '-') {
            options.positional_.push_back(argument);  // "-" among them: standard input or output
            continue;
        }
        if (argument == "--") {
            options_ended = true;
            continue;
        }
        if (argument[1] != '-') {
            if (!options.TakeShort(argument, arguments, i, valued, flags)) return std::nullopt;
            continue;
        }
        std::string name = argument.substr(2);
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (!options.Take(name, value, arguments, i, valued, flags)) return std::nullopt;
    }
    return options;
}

std::string Options::TakeFirstPositional() {
    if (positional_.empty()) return "";
    std::string word = positional_.front();
    positional_.erase(positional_.begin());
    return word;
}

std::string Options::Get(const std::string &name, const std::string &fallback) const {
    const auto found = values_.find(name);
    return found == values_.end() ? fallback : found->second;
}

std::optional<long> Options::GetNumber(const std::string &name, long fallback) const {
    const auto found = values_.find(name);
    if (found == values_.end()) return fallback;
    char *end = nullptr;
    const long value = std::strtol(found->second.c_str(), &end, 10);
    if (found->second.empty() || *end != '\0') {
        std::fprintf(stderr, "portkit %s: --%s wants a number, not '%s'\n", command_.c_str(), name.c_str(),
                     found->second.c_str());
        return std::nullopt;
    }
    return value;
}

}  // namespace portkit::tool
