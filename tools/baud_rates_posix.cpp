#include "baud_rates.h"
#include "termios_rates.h"

namespace portkit::tool {
namespace {

struct Rate {
    long rate;
    speed_t speed;
};

constexpr Rate kRates[] = {
    {50, B50},         {75, B75},         {110, B110},         {134, B134},           {150, B150},
    {200, B200},       {300, B300},       {600, B600},         {1200, B1200},         {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},       {19200, B19200},       {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800}, {500000, B500000}, {576000, B576000},   {921600, B921600},     {1000000, B1000000},
    {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
#endif
};

}  // namespace

// The rates termios names. Linux runs others through BOTHER as well, but a
// device that refused one is best offered these.
std::string StandardBaudRates() {
    std::string text;
    for (const Rate &entry : kRates) {
        if (!text.empty()) text += ' ';
        text += std::to_string(entry.rate);
    }
    return text;
}

long RateOfSpeed(speed_t speed) {
    for (const Rate &entry : kRates) {
        if (entry.speed == speed) return entry.rate;
    }
    return 0;
}

}  // namespace portkit::tool
