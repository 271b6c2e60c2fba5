#include "support/scratch_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace portkit::test {

// Made by create_directory, which fails on a name already taken, so two
// processes never share one; Windows has no mkdtemp.
TempDirectory::TempDirectory() {
    std::random_device entropy;
    std::mt19937 generator(entropy());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = std::filesystem::temp_directory_path() / ("portkit-test-" + std::to_string(generator()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate.string();
            return;
        }
    }
    throw std::runtime_error("no scratch directory could be made");
}

TempDirectory::~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char &c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::vector<std::string> FilesBelow(const std::filesystem::path &directory) {
    std::vector<std::string> files;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(directory)) {
        if (entry.is_regular_file()) files.push_back(std::filesystem::relative(entry.path(), directory).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace portkit::test
