#include "receiver_run.h"

#include "fuzz_line.h"
#include "received_name_check.h"
#include "scratch_directory.h"

namespace portkit::fuzz {

void RunReceiver(const std::uint8_t *data, std::size_t size, Receiver receiver) {
    static const bool ready = [] {
        InstallLineHooks();
        InstallReceivedNameCheck();
        return true;
    }();
    (void)ready;
    if (size == 0) return;
    InScratchDirectory scratch;
    FuzzLine line(data + 1, size - 1);
    receiver(line.port(), data[0]);
}

void IgnoreMessage(const char *, TransferRecord *) {}

}  // namespace portkit::fuzz
