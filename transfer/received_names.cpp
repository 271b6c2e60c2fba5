#include "transfer/received_names.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/directories.h"

namespace portkit::transfer {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Splits at / and \, dropping a drive ("C:") and empty, "." and ".." parts.
std::vector<std::string> SafeParts(const std::string &name) {
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&] {
        if (!part.empty() && part != "." && part != "..") parts.push_back(part);
        part.clear();
    };
    for (char c : name) {
        if (IsSeparator(c)) {
            flush();
        } else {
            part.push_back(c);
        }
    }
    flush();
    for (std::string &p : parts) {
        // A drive letter or any other colon prefix ("C:x", "A:") is dropped.
        if (const std::size_t colon = p.rfind(':'); colon != std::string::npos) p.erase(0, colon + 1);
    }
    std::erase_if(parts, [](const std::string &p) { return p.empty() || p == "." || p == ".."; });
    return parts;
}

}  // namespace

bool MakeSafeReceivedName(const char *received, bool keep_paths, char *out, std::size_t out_size, bool unhide) {
    if (out_size == 0) return false;
    out[0] = '\0';
    if (received == nullptr || received[0] == '\0') return false;
    const std::string name(received);
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return false;
    }
    std::vector<std::string> parts = SafeParts(name);
    if (parts.empty()) return false;
    std::string safe;
    if (keep_paths) {
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (i > 0) safe.push_back('/');
            safe += parts[i];
        }
    } else {
        safe = parts.back();
    }
    if (safe.size() >= out_size) safe.resize(out_size - 1);
    // Cutting may leave a trailing separator, or make a last part "." or
    // ".." again; a name must end in a file.
    for (;;) {
        while (!safe.empty() && safe.back() == '/') safe.pop_back();
        const std::size_t slash = safe.rfind('/');
        const std::string last = safe.substr(slash == std::string::npos ? 0 : slash + 1);
        if (last != "." && last != "..") break;
        safe.resize(slash == std::string::npos ? 0 : slash);
    }
    if (safe.empty()) return false;
    std::string unhidden = safe;
    const bool renamed_later = unhide && UnhideName(unhidden.data());
    if (keep_paths && !renamed_later && !platform::CreateParentDirectories(safe)) return false;
    safe.copy(out, safe.size());
    out[safe.size()] = '\0';
    return true;
}

bool UnhideName(char *name) {
    bool changed = false;
    for (char *part = name; *part != '\0';) {
        if (*part == '.') {
            *part = '_';
            changed = true;
        }
        char *slash = std::strchr(part, '/');
        if (slash == nullptr) break;
        part = slash + 1;
    }
    return changed;
}

}  // namespace portkit::transfer
