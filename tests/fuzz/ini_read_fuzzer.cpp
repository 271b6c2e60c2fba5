// The INI reader on arbitrary files. Whatever it makes of a file, the file
// it writes back must read as the same store: writing that store again
// gives the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "portkit/ini.h"
#include "scratch_directory.h"

namespace {

constexpr const char *kStoreName = "FUZZ";
constexpr const char *kFileName = "FUZZ.INI";  // what the store makes of kStoreName

std::string Contents() {
    std::ifstream file(kFileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Reads the file into a new store, writes the store over the file and
// gives what was written.
std::string ReadAndWriteBack() {
    PBIniStore *store = PBConstruct(kStoreName);
    PBReadIniFile(store);
    PBWriteIniFile(store);
    PBDestroy(store);
    return Contents();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    portkit::fuzz::InScratchDirectory scratch;
    std::ofstream(kFileName, std::ios::binary)
        .write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    const std::string first = ReadAndWriteBack();
    const std::string second = ReadAndWriteBack();
    // A value that ends in CR is written as "...\r\n", which reads back as a
    // plain line end: the file format cannot carry it, so such stores are
    // left out.
    if (first != second && first.find("\r\n") == std::string::npos) {
        std::fprintf(stderr, "written back:\n%s\nwritten again:\n%s\n", first.c_str(), second.c_str());
        std::abort();
    }
    return 0;
}
