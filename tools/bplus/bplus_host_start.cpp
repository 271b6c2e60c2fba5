#include "tools/bplus/bplus_host_start.h"

#include <chrono>

#include "portkit/timedio.h"

namespace portkit::tool {
namespace {

constexpr int kReadTurnMs = 200;
constexpr int kResumeOption = PORTKIT_XFER_BPLUS_1026;
constexpr int kCheckOption = PORTKIT_XFER_BPLUS_1024;

}  // namespace

int RunBPlusTransfer(PortStructure *port, const BPlusChoices &choices, TransferHooks hooks) {
    // Downloads are written under a partial name until whole; the host
    // chose the name, so it makes no hidden file.
    const int resume = choices.resume ? kResumeOption : PORTKIT_XFER_NO_OPTION;
    return CompuServeBPlusWithOptions(port, hooks.message, hooks.status, kCheckOption, choices.check_method, resume,
                                      PORTKIT_XFER_EXISTING_FILES, choices.existing_files, PORTKIT_XFER_PARTIAL_NAMES,
                                      PORTKIT_XFER_NO_HIDDEN_NAMES, 0);
}

int WaitForBPlusStart(PortStructure *port, int wait_ms, const std::function<bool()> &stop,
                      const std::function<void(int)> &other) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
    bool after_dle = false;
    while (Clock::now() < deadline) {
        if (stop()) return PORTKIT_XFER_USER_ABORT;
        const int c = ReadCharTimed(port, kReadTurnMs);
        if (c == PORTKIT_BUFFER_EMPTY) continue;  // nothing yet
        if (c < 0) return c;
        if (after_dle && (c & 0x7F) == 'B') return 1;
        after_dle = (c & 0x7F) == kDle;
        if (c == kEnq) {
            if (const int sent = CompuServeBPlusRespond(port, 1); sent < 0) return sent;
        } else if (!after_dle && other) {
            other(c);
        }
    }
    return 0;
}

}  // namespace portkit::tool
