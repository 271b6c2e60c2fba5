#include "tools/cli/baud_rates.h"

namespace portkit::tool {

// The CBR_ rates of the communications API; drivers differ beyond them.
std::string StandardBaudRates() {
    return "110 300 600 1200 2400 4800 9600 14400 19200 38400 56000 57600 115200 128000 256000";
}

}  // namespace portkit::tool
