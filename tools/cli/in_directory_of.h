// The library's INI store reads and writes its file in the current
// directory; the tool points it at a file elsewhere by changing there.
#ifndef PORTKIT_TOOLS_CLI_IN_DIRECTORY_OF_H
#define PORTKIT_TOOLS_CLI_IN_DIRECTORY_OF_H

#include <filesystem>
#include <system_error>

namespace portkit::tool {

// The file's own directory is the current one while this lives; false when
// it could not be entered.
class InDirectoryOf {
public:
    explicit InDirectoryOf(const std::filesystem::path &file) {
        std::error_code error;
        previous_ = std::filesystem::current_path(error);
        if (error) return;
        if (file.parent_path().empty()) {
            entered_ = true;
            return;
        }
        std::filesystem::current_path(file.parent_path(), error);
        entered_ = changed_ = !error;
    }
    ~InDirectoryOf() {
        std::error_code ignored;
        if (changed_) std::filesystem::current_path(previous_, ignored);
    }
    InDirectoryOf(const InDirectoryOf &) = delete;
    InDirectoryOf &operator=(const InDirectoryOf &) = delete;

    explicit operator bool() const { return entered_; }

private:
    std::filesystem::path previous_;
    bool entered_ = false;
    bool changed_ = false;
};

}  // namespace portkit::tool

#endif
