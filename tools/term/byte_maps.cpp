#include "tools/term/byte_maps.h"

namespace portkit::tool {
namespace {

struct NamedMap {
    std::string_view name;
    unsigned map;
};

constexpr NamedMap kMaps[] = {
    {"crlf", kMapCrLf},     {"crcrlf", kMapCrCrLf}, {"igncr", kMapIgnCr}, {"lfcr", kMapLfCr},
    {"lfcrlf", kMapLfCrLf}, {"ignlf", kMapIgnLf},   {"bsdel", kMapBsDel}, {"delbs", kMapDelBs},
};

constexpr char kBs = 0x08, kDel = 0x7F;

// What one byte becomes; picocom tests the maps of a byte in this order.
// Null when no map applies.
const char *MappedByte(char c, unsigned maps) {
    if (c == '\r') {
        if (maps & kMapCrLf) return "\n";
        if (maps & kMapCrCrLf) return "\r\n";
        if (maps & kMapIgnCr) return "";
    } else if (c == '\n') {
        if (maps & kMapLfCr) return "\r";
        if (maps & kMapLfCrLf) return "\r\n";
        if (maps & kMapIgnLf) return "";
    } else if (c == kBs && (maps & kMapBsDel)) {
        return "\x7f";
    } else if (c == kDel && (maps & kMapDelBs)) {
        return "\b";
    }
    return nullptr;
}

}  // namespace

std::optional<unsigned> ParseByteMaps(std::string_view text, std::string *unknown) {
    unsigned maps = 0;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view name = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (name.empty()) continue;
        bool known = false;
        for (const NamedMap &entry : kMaps) {
            if (entry.name != name) continue;
            maps |= entry.map;
            known = true;
        }
        if (!known) {
            if (unknown != nullptr) *unknown = std::string(name);
            return std::nullopt;
        }
    }
    return maps;
}

const char *ByteMapNames() { return "crlf, crcrlf, igncr, lfcr, lfcrlf, ignlf, bsdel, delbs"; }

std::string ApplyByteMaps(std::string_view bytes, unsigned maps) {
    if (maps == 0) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const char *mapped = MappedByte(c, maps);
        if (mapped != nullptr) {
            out += mapped;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace portkit::tool
