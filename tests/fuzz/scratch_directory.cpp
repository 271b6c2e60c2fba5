#include "scratch_directory.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace portkit::fuzz {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const char *what, const fs::path &path) {
    std::fprintf(stderr, "fuzz: cannot %s %s\n", what, path.c_str());
    std::abort();
}

fs::path MadeDirectory(const char *prefix) {
    std::string pattern = (fs::temp_directory_path() / prefix).string();
    if (mkdtemp(pattern.data()) == nullptr) Fail("make", pattern);
    return fs::absolute(pattern);
}

// Absolute, so that emptying never depends on the current directory.
const fs::path &Scratch() {
    static const fs::path path = [] {
        fs::path made = MadeDirectory("portkit-fuzz-XXXXXX");
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(Scratch(), ignored);
        });
        return made;
    }();
    return path;
}

}  // namespace

const char *OutsideDirectory() {
    // Kept past the static destructors, for the removal at exit.
    static const std::string &path = *new std::string([] {
        const fs::path made = MadeDirectory("portkit-fuzz-outside-XXXXXX");
        std::FILE *secret = std::fopen((made / "secret").c_str(), "wb");
        if (secret == nullptr) Fail("write in", made);
        std::fputs("not for the host\n", secret);
        std::fclose(secret);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(OutsideDirectory(), ignored);
        });
        return made.string();
    }());
    return path.c_str();
}

InScratchDirectory::InScratchDirectory() : previous_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (previous_ < 0) Fail("open", ".");
    if (chdir(Scratch().c_str()) != 0) Fail("enter", Scratch());
}

InScratchDirectory::~InScratchDirectory() {
    std::error_code error;
    for (const fs::directory_entry &entry : fs::directory_iterator(Scratch(), error)) {
        fs::remove_all(entry.path(), error);
        if (error) Fail("remove", entry.path());
    }
    if (error) Fail("list", Scratch());
    if (fchdir(previous_) != 0) Fail("go back from", Scratch());
    close(previous_);
}

}  // namespace portkit::fuzz
