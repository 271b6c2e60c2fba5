#include "support/batch_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace portkit::test {

std::vector<BatchFile> MakeBatch(const TempDirectory &dir, const std::string &subdirectory,
                                 const std::vector<std::size_t> &sizes, std::size_t blank_size) {
    std::vector<BatchFile> files;
    long time = 1593619200;  // 2020-07-01 16:00 UTC, summer time in New York
    for (std::size_t size : sizes) {
        const std::string name = (size == blank_size ? "with blank " : "file") + std::to_string(size) + ".bin";
        files.push_back({name, RandomBytes(size, static_cast<unsigned>(size) + 7), time});
        time += 86400 * 47;  // through both seasons
    }
    const std::string path = dir.path() + "/" + subdirectory;
    mkdir(path.c_str(), 0755);
    for (const BatchFile &file : files) {
        WriteFile(path + "/" + file.name, file.data);
        SetModificationTime(path + "/" + file.name, file.time);
    }
    return files;
}

void ExpectReceived(const TempDirectory &dir, const std::string &subdirectory, const std::vector<BatchFile> &files) {
    for (const BatchFile &file : files) {
        const std::string path = dir.path() + "/" + subdirectory + "/" + file.name;
        EXPECT_EQ(ReadFile(path), file.data) << file.name;
        EXPECT_EQ(ModificationTime(path), file.time) << file.name;
    }
}

}  // namespace portkit::test
