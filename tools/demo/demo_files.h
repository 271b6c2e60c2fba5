// The demo's sample files and the check of what arrived.
#ifndef PORTKIT_TOOLS_DEMO_DEMO_FILES_H
#define PORTKIT_TOOLS_DEMO_DEMO_FILES_H

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace portkit::tool {

struct SampleFile {
    std::string name;
    std::size_t size;
};

// Files of random bytes, every value included, of the sizes given, written
// into `directory`. Nothing when one cannot be written.
std::optional<std::vector<SampleFile>> WriteSampleFiles(const std::filesystem::path &directory,
                                                        const std::vector<std::size_t> &sizes);

// What is wrong with `received` as a copy of `original`, or "" when nothing.
// Protocols that do not send the length fill the last block with zeros, so
// there a copy may be longer: by less than a block, up to a multiple of 128,
// with nothing but zeros after the original's bytes.
std::string CompareReceived(const std::filesystem::path &original, const std::filesystem::path &received,
                            bool padded_to_blocks);

}  // namespace portkit::tool

#endif
