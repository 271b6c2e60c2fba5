#include "options.h"

#include <cstdio>
#include <cstdlib>

namespace portkit::tool {

std::optional<Options> Options::Parse(std::string_view command, Arguments arguments,
                                      const std::set<std::string> &valued, const std::set<std::string> &flags) {
    Options options;
    options.command_ = std::string(command);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string argument = arguments[i];
        if (argument.size() < 3 || argument.compare(0, 2, "--") != 0) {
            options.positional_.push_back(argument);
            continue;
        }
        std::string name = argument.substr(2);
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (flags.count(name) != 0 && !value) {
            options.flags_.insert(name);
        } else if (valued.count(name) != 0) {
            if (!value) {
                if (i + 1 >= arguments.size()) {
                    std::fprintf(stderr, "portkit %s: --%s needs a value\n", options.command_.c_str(), name.c_str());
                    return std::nullopt;
                }
                value = arguments[++i];
            }
            options.values_[name] = *value;
        } else {
            std::fprintf(stderr, "portkit %s: unknown option --%s\n", options.command_.c_str(), name.c_str());
            return std::nullopt;
        }
    }
    return options;
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
