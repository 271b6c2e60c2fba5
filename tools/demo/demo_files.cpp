#include "tools/demo/demo_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

namespace portkit::tool {
namespace {

constexpr std::size_t kShortBlock = 128;
constexpr std::size_t kLongBlock = 1024;

std::optional<std::string> ReadWhole(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::optional<std::vector<SampleFile>> WriteSampleFiles(const std::filesystem::path &directory,
                                                        const std::vector<std::size_t> &sizes) {
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<SampleFile> samples;
    for (std::size_t size : sizes) {
        SampleFile sample{"sample-" + std::to_string(size) + ".bin", size};
        std::string content(size, '\0');
        for (char &c : content) c = static_cast<char>(byte(random));
        std::ofstream out(directory / sample.name, std::ios::binary);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out) return std::nullopt;
        samples.push_back(sample);
    }
    return samples;
}

std::string CompareReceived(const std::filesystem::path &original, const std::filesystem::path &received,
                            bool padded_to_blocks) {
    const auto sent = ReadWhole(original);
    const auto got = ReadWhole(received);
    if (!sent) return "cannot read " + original.filename().string();
    if (!got) return received.filename().string() + " did not arrive";
    const std::size_t sent_size = sent->size();
    const auto where = std::mismatch(sent->begin(), sent->end(), got->begin(), got->end());
    if (where.first != sent->end() && where.second != got->end()) {
        return received.filename().string() + " differs at byte " + std::to_string(where.first - sent->begin());
    }
    if (got->size() < sent_size) {
        return received.filename().string() + " is short: " + std::to_string(got->size()) + " of " +
               std::to_string(sent_size) + " bytes";
    }
    if (got->size() == sent_size) return "";
    const std::size_t extra = got->size() - sent_size;
    if (!padded_to_blocks) return received.filename().string() + " has " + std::to_string(extra) + " bytes too many";
    if (got->size() % kShortBlock != 0 || extra >= kLongBlock) {
        return received.filename().string() + " has " + std::to_string(extra) + " bytes of padding, not a block's";
    }
    if (std::any_of(got->begin() + static_cast<std::ptrdiff_t>(sent_size), got->end(), [](char c) { return c != 0; })) {
        return received.filename().string() + " has padding that is not zeros";
    }
    return "";
}

}  // namespace portkit::tool
