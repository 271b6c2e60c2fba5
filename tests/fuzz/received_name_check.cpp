#include "received_name_check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "portkit/transfer.h"

namespace portkit::fuzz {
namespace {

// Why `name` may not be opened, or null when it may.
const char *Fault(std::string_view name, bool keep_paths) {
    if (name.empty()) return "empty name";
    if (name.front() == '/') return "absolute path";
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return "control character";
        if (c == '\\' || c == ':') return "backslash or drive separator";
    }
    if (!keep_paths && name.find('/') != std::string_view::npos) return "directory kept without the keep-paths option";
    for (std::size_t start = 0;;) {
        const std::size_t slash = name.find('/', start);
        const std::string_view part = name.substr(start, slash == std::string_view::npos ? slash : slash - start);
        if (part.empty() || part == "." || part == "..") return "empty, '.' or '..' part";
        if (slash == std::string_view::npos) return nullptr;
        start = slash + 1;
    }
}

// True when `name`, links resolved, is below the current directory.
bool StaysHere(const char *name) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path here = fs::canonical(fs::current_path(error), error);
    const fs::path target = fs::weakly_canonical(here / name, error);
    if (error) return false;
    const auto [end, rest] = std::mismatch(here.begin(), here.end(), target.begin(), target.end());
    return end == here.end() && rest != target.end();
}

FILE *OpenCheckedName(TransferRecord *record, const char *file_name, const char *mode) {
    if (file_name == nullptr) return nullptr;
    // Files being sent come from our own list, except those a B+ host asks for.
    if (!record->sending || record->transfer_type == PORTKIT_BPLUS) {
        const char *fault = Fault(file_name, record->strip_path == 0);
        if (fault == nullptr && !StaysHere(file_name)) fault = "leads out of the directory";
        if (fault != nullptr) {
            std::fprintf(stderr, "%s name \"%s\" opened for \"%s\": %s\n", record->sending ? "sent" : "received",
                         file_name, mode, fault);
            std::abort();
        }
    }
    return _DefaultXferFileOpenFunction(record, file_name, mode);
}

}  // namespace

void InstallReceivedNameCheck() { SetXferFileOpenFunctionPtr(OpenCheckedName); }

}  // namespace portkit::fuzz
