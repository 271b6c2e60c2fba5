#include "drivers/net/net_address.h"

#include <cctype>

namespace portkit::net {
namespace {

constexpr std::string_view kRfc2217Scheme = "rfc2217://";
constexpr std::string_view kTcpScheme = "tcp://";
constexpr std::size_t kLongestHost = 253;

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

bool ValidService(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) return false;
    long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

bool ValidHost(std::string_view host, bool bracketed) {
    if (host.empty() || host.size() > kLongestHost) return false;
    for (char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        const bool allowed =
            std::isalnum(byte) || c == '.' || c == '-' || c == '_' || (bracketed && (c == ':' || c == '%'));
        if (!allowed) return false;
    }
    return true;
}

}  // namespace

bool IsNetworkName(std::string_view name) {
    return StartsWithIgnoringCase(name, kRfc2217Scheme) || StartsWithIgnoringCase(name, kTcpScheme);
}

bool ParseNetworkName(std::string_view name, NetAddress *address) {
    NetAddress parsed;
    if (StartsWithIgnoringCase(name, kRfc2217Scheme)) {
        parsed.kind = NetKind::kRfc2217;
        name.remove_prefix(kRfc2217Scheme.size());
    } else if (StartsWithIgnoringCase(name, kTcpScheme)) {
        parsed.kind = NetKind::kRawTcp;
        name.remove_prefix(kTcpScheme.size());
    } else {
        return false;
    }
    if (!name.empty() && name.back() == '/') name.remove_suffix(1);
    std::string_view host;
    bool bracketed = false;
    if (!name.empty() && name.front() == '[') {
        const std::size_t close = name.find(']');
        if (close == std::string_view::npos || close + 1 >= name.size() || name[close + 1] != ':') return false;
        host = name.substr(1, close - 1);
        name.remove_prefix(close + 2);
        bracketed = true;
    } else {
        const std::size_t colon = name.rfind(':');
        if (colon == std::string_view::npos) return false;
        host = name.substr(0, colon);
        name.remove_prefix(colon + 1);
    }
    if (!ValidHost(host, bracketed) || !ValidService(name)) return false;
    parsed.host = std::string(host);
    parsed.service = std::string(name);
    *address = std::move(parsed);
    return true;
}

}  // namespace portkit::net
