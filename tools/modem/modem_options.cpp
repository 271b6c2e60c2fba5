#include "tools/modem/modem_options.h"

#include <cstdio>
#include <utility>

#include "tools/cli/port_option.h"

namespace portkit::tool {
namespace {

constexpr long kLongestTimeoutMs = 24L * 3600 * 1000;

}  // namespace

std::set<std::string> ModemValuedOptions(std::initializer_list<std::string> more) {
    std::set<std::string> valued = kLineOptions;
    valued.insert(more.begin(), more.end());
    return valued;
}

std::optional<ModemTimeouts> ModemTimeoutOptions(const std::string &command, const Options &options) {
    ModemTimeouts timeouts;
    const auto fields = {std::pair{"timeout", &timeouts.command_ms}, std::pair{"dial-timeout", &timeouts.call_ms}};
    for (auto [name, field] : fields) {
        const auto value = options.GetNumber(name, *field);
        if (!value) return std::nullopt;
        if (*value < 1 || *value > kLongestTimeoutMs) {
            std::fprintf(stderr, "portkit %s: --%s is in milliseconds, 1 to %ld\n", command.c_str(), name,
                         kLongestTimeoutMs);
            return std::nullopt;
        }
        *field = static_cast<int>(*value);
    }
    return timeouts;
}

}  // namespace portkit::tool
