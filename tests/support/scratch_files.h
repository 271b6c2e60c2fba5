// Scratch directories and whole-file reads and writes for tests.
#ifndef PORTKIT_TESTS_SUPPORT_SCRATCH_FILES_H
#define PORTKIT_TESTS_SUPPORT_SCRATCH_FILES_H

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace portkit::test {

// A fresh directory under the system's temporary directory, removed with its
// contents when the object goes.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory &) = delete;
    TempDirectory &operator=(const TempDirectory &) = delete;
    const std::string &path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &bytes);
std::string RandomBytes(std::size_t count, unsigned seed);

// Every regular file below `directory`, relative to it, sorted.
std::vector<std::string> FilesBelow(const std::filesystem::path &directory);

// A test with a scratch directory as the current directory, for code that
// creates files and directories where it stands.
class InScratchDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(scratch_.path());
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    TempDirectory scratch_;
    std::filesystem::path previous_;
};

}  // namespace portkit::test

#endif
