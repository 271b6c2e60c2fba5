// Sample batches for transfer tests: files of telling sizes, one name with
// blanks, and modification times spread over both seasons.
#ifndef PORTKIT_TESTS_SUPPORT_BATCH_FILES_H
#define PORTKIT_TESTS_SUPPORT_BATCH_FILES_H

#include <cstddef>
#include <string>
#include <vector>

#include "support/peer_process.h"

namespace portkit::test {

struct BatchFile {
    std::string name;
    std::string data;
    long time;
};

// Writes one file per size into `subdirectory` of `dir` (created); the file
// of `blank_size` bytes gets a name with blanks.
std::vector<BatchFile> MakeBatch(const TempDirectory &dir, const std::string &subdirectory,
                                 const std::vector<std::size_t> &sizes, std::size_t blank_size);
// Every file arrived in `subdirectory` with its contents and time.
void ExpectReceived(const TempDirectory &dir, const std::string &subdirectory, const std::vector<BatchFile> &files);

}  // namespace portkit::test

#endif
