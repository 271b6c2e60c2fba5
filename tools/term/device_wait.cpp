#include "tools/term/device_wait.h"

#include <chrono>
#include <optional>
#include <thread>

#include "tools/term/term_display.h"
#include "tools/term/user_terminal.h"

namespace portkit::tool {
namespace {

using Clock = std::chrono::steady_clock;

// The device is looked for this often; keys are heard at once.
constexpr auto kReopenEvery = std::chrono::milliseconds(250);
constexpr int kKeyWaitMs = 50;
constexpr char kInterruptKey = 0x03;  // Ctrl-C, a byte while the terminal is raw

// Reads the keys typed so far: Ctrl-C, or the command key then q.
class QuitKeys {
public:
    explicit QuitKeys(unsigned char command_key) : command_key_(command_key) {}

    std::optional<DeviceWaitEnd> Take() {
        char bytes[64];
        const std::size_t count = ReadKeyBytes(bytes, sizeof bytes);
        for (std::size_t i = 0; i < count; ++i) {
            if (bytes[i] == kInterruptKey) return DeviceWaitEnd::kInterrupted;
            if (after_command_key_ && (bytes[i] == 'q' || bytes[i] == 'Q')) return DeviceWaitEnd::kQuit;
            after_command_key_ = static_cast<unsigned char>(bytes[i]) == command_key_;
        }
        if (KeyboardClosed()) return DeviceWaitEnd::kQuit;
        return std::nullopt;
    }

private:
    unsigned char command_key_;
    bool after_command_key_ = false;
};

}  // namespace

DeviceWaitEnd WaitForDevice(const Reopen &reopen, unsigned char command_key, PortStructure **port) {
    // Without a terminal to read, Ctrl-C is a signal as usual.
    const bool keys = EnterRawTerminal();
    QuitKeys quit(command_key);
    std::optional<DeviceWaitEnd> end;
    for (auto next_try = Clock::now();;) {
        if (Clock::now() >= next_try) {
            if ((*port = reopen()) != nullptr) {
                end = DeviceWaitEnd::kOpened;
                break;
            }
            next_try = Clock::now() + kReopenEvery;
        }
        if (!keys) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kKeyWaitMs));
            continue;
        }
        WaitForKey(kKeyWaitMs);
        if ((end = quit.Take())) break;
    }
    if (keys) LeaveRawTerminal();
    return *end;
}

}  // namespace portkit::tool
