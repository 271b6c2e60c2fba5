// The file a host's transfer request names, held to the directory we work
// in: a download's name is made safe to create, an upload's is taken as it
// was given or refused, since another file must never go out in its place.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "transfer/bplus/bplus_engine.h"
#include "transfer/received_names.h"

namespace portkit::transfer {
namespace {

// True when `name`, links resolved, is below the current directory.
bool StaysInside(const char *name) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path base = fs::canonical(fs::current_path(error), error);
    if (error) return false;
    const fs::path target = fs::weakly_canonical(base / name, error);
    if (error) return false;
    const auto [end, rest] = std::mismatch(base.begin(), base.end(), target.begin(), target.end());
    return end == base.end() && rest != target.end();
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// A relative path of plain parts, '/'-separated, or "" when it is not one.
std::string PlainRelativePath(std::string_view given) {
    std::string path;
    std::string part;
    for (std::size_t i = 0; i <= given.size(); ++i) {
        const char c = i < given.size() ? given[i] : '/';
        const auto byte = static_cast<unsigned char>(c);
        if (IsSeparator(c)) {
            if (part.empty() || part == "." || part == "..") return "";
            if (!path.empty()) path += '/';
            path += part;
            part.clear();
        } else if (byte < 0x20 || byte == 0x7F || c == ':') {
            return "";  // control characters, drives and streams
        } else {
            part += c;
        }
    }
    return path;
}

}  // namespace

bool NameToReceive(TransferRecord *record, const char *given, char *out, std::size_t size) {
    return MakeSafeReceivedName(given, record->strip_path == 0, out, size, record->no_hidden_names != 0) &&
           StaysInside(out);
}

const char *RefusalToSend(const TransferRecord *record, std::string_view given, char *out, std::size_t size) {
    if (given.size() > kBPlusNameLimit) return "the name is too long";
    if (record->strip_path != 0 && std::any_of(given.begin(), given.end(), IsSeparator)) {
        return "it has a directory part, and paths are not kept";
    }
    const std::string path = PlainRelativePath(given);
    if (path.empty() || path.size() >= size) return "not a plain relative name";
    std::memcpy(out, path.c_str(), path.size() + 1);
    if (!StaysInside(out)) return "not below this directory";
    return nullptr;
}

}  // namespace portkit::transfer
