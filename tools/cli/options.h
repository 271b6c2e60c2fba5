// Command-line options of the form --name VALUE, --name=VALUE and --flag,
// the short forms the option table gives (-p VALUE, -pVALUE, -vq), and --
// ending the options.
#ifndef PORTKIT_TOOLS_CLI_OPTIONS_H
#define PORTKIT_TOOLS_CLI_OPTIONS_H

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tools/cli/commands.h"

namespace portkit::tool {

class Options {
public:
    // `valued` names take a value; `flags` do not. Returns nothing and prints
    // the reason on stderr when the arguments do not parse, or when the sets
    // and the command's option table disagree.
    static std::optional<Options> Parse(std::string_view command, Arguments arguments,
                                        const std::set<std::string> &valued, const std::set<std::string> &flags);

    bool Has(const std::string &name) const { return values_.count(name) != 0 || flags_.count(name) != 0; }
    std::string Get(const std::string &name, const std::string &fallback = "") const;
    // The value as a number, or nothing (with a message) when it is not one.
    std::optional<long> GetNumber(const std::string &name, long fallback) const;
    const std::vector<std::string> &positional() const { return positional_; }
    const std::string &command() const { return command_; }

    // Settings from elsewhere than the command line (a device given as a
    // word, a profile): the caller has checked the name is the command's.
    void Set(const std::string &name, const std::string &value) { values_[name] = value; }
    void SetFlag(const std::string &name) { flags_.insert(name); }
    // Removes and returns the first word that was not an option.
    std::string TakeFirstPositional();

private:
    bool Take(const std::string &name, std::optional<std::string> value, Arguments arguments, std::size_t &i,
              const std::set<std::string> &valued, const std::set<std::string> &flags);
    bool TakeShort(const std::string &argument, Arguments arguments, std::size_t &i,
                   const std::set<std::string> &valued, const std::set<std::string> &flags);

    std::string command_;
    std::map<std::string, std::string> values_;
    std::set<std::string> flags_;
    std::vector<std::string> positional_;
};

}  // namespace portkit::tool

#endif
