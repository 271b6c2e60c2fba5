#include "platform/posix/comm/termios_speeds.h"
#include "tools/cli/baud_rates.h"
#include "tools/cli/termios_rates.h"

namespace portkit::tool {

// The rates termios names. Linux runs others through BOTHER as well, but a
// device that refused one is best offered these.
std::string StandardBaudRates() {
    std::string text;
    for (const posix::TermiosSpeed &entry : posix::kTermiosSpeeds) {
        if (!text.empty()) text += ' ';
        text += std::to_string(entry.rate);
    }
    return text;
}

long RateOfSpeed(speed_t speed) {
    for (const posix::TermiosSpeed &entry : posix::kTermiosSpeeds) {
        if (entry.speed == speed) return entry.rate;
    }
    return 0;
}

}  // namespace portkit::tool
