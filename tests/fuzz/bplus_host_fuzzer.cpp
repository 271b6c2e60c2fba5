// The B+ terminal side against a hostile host: the input plays the host
// from just after its first DLE B. Option byte: bits 0-1 the check method
// to ask for, bit 2 offers to resume downloads, bit 3 keeps the host's
// paths, bit 4 writes partial names, bits 5-6 the choice for a file that is
// here already (3 counts as 0), bit 7 sets transport byte 17. The scratch
// directory holds files a host may ask for and a link that leads out of it;
// the file-open hook stops the process when a name, to send or to receive,
// leads anywhere else.
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "receiver_run.h"
#include "scratch_directory.h"

namespace {

namespace fs = std::filesystem;
using portkit::fuzz::IgnoreMessage;
using portkit::fuzz::OptionIf;

void PlantFiles() {
    std::ofstream("up.txt", std::ios::binary) << "hello from the terminal\r\n";
    std::string data;
    for (int i = 0; i < 3000; ++i) data += static_cast<char>(i * 7);
    std::ofstream("data.bin", std::ios::binary) << data;
    fs::create_directory("sub");
    std::ofstream("sub/deep.txt", std::ios::binary) << "one level down\n";
    std::error_code ignored;
    fs::create_directory_symlink(portkit::fuzz::OutsideDirectory(), "out", ignored);
}

void Serve(PortStructure *port, std::uint8_t options) {
    PlantFiles();
    const int existing = (options >> 5 & 3) == 3 ? PORTKIT_EXISTING_REPLACE : options >> 5 & 3;
    CompuServeBPlusWithOptions(port, IgnoreMessage, nullptr, PORTKIT_XFER_BPLUS_1024, options & 3,
                               OptionIf(options, 4, PORTKIT_XFER_BPLUS_1026),
                               OptionIf(options, 8, PORTKIT_XFER_KEEP_PATHS),
                               OptionIf(options, 16, PORTKIT_XFER_PARTIAL_NAMES), PORTKIT_XFER_EXISTING_FILES, existing,
                               OptionIf(options, 128, PORTKIT_XFER_BPLUS_1025), 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    portkit::fuzz::RunReceiver(data, size, Serve);
    return 0;
}
