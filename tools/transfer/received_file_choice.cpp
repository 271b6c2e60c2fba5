#include "tools/transfer/received_file_choice.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "portkit/transfer.h"

#if defined(_WIN32)
#include <io.h>
#define access _access
#define W_OK 2
#else
#include <unistd.h>
#endif

namespace portkit::tool {

std::optional<ExistingChoice> ExistingChoiceOption(const std::string &command, const Options &options) {
    if (options.Has("overwrite") && options.Has("rename")) {
        std::fprintf(stderr, "portkit %s: --overwrite and --rename are alternatives; give one\n", command.c_str());
        return std::nullopt;
    }
    if (options.Has("overwrite")) return ExistingChoice::kOverwrite;
    if (options.Has("rename")) return ExistingChoice::kRename;
    return ExistingChoice::kKeep;
}

int ExistingFilesValue(ExistingChoice choice) {
    switch (choice) {
        case ExistingChoice::kOverwrite:
            return PORTKIT_EXISTING_REPLACE;
        case ExistingChoice::kRename:
            return PORTKIT_EXISTING_RENAME;
        default:
            return PORTKIT_EXISTING_SKIP;
    }
}

std::vector<int> ReceivedFileCodes(ExistingChoice choice) {
    return {PORTKIT_XFER_EXISTING_FILES, ExistingFilesValue(choice), PORTKIT_XFER_PARTIAL_NAMES};
}

std::vector<int> ReceiveCodes(const Protocol &protocol, const Options &options, ExistingChoice choice) {
    std::vector<int> codes = ReceivedFileCodes(choice);
    if (options.Has("resume") && protocol.family == kZmodemFamily) codes.push_back(PORTKIT_XFER_ZMODEM_RESUME);
    return codes;
}

std::string NamedFileProblem(const std::string &file, ExistingChoice choice) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(file, error);
    if (!std::filesystem::exists(status)) return "";
    if (std::filesystem::is_directory(status)) return file + " is a directory";
    if (choice == ExistingChoice::kKeep) {
        return file + " is here already; --overwrite replaces it, --rename keeps both";
    }
    return "";
}

std::string ReceiveDirectoryProblem(const std::string &directory) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) return error.message();
    if (!std::filesystem::is_directory(directory, error)) return "not a directory";
    if (access(directory.c_str(), W_OK) != 0) return std::generic_category().message(errno);
    return "";
}

}  // namespace portkit::tool
