// The termios speed constants and the rates they stand for (POSIX only).
#ifndef PORTKIT_TOOLS_CLI_TERMIOS_RATES_H
#define PORTKIT_TOOLS_CLI_TERMIOS_RATES_H

#include <termios.h>

namespace portkit::tool {

// Bits per second for a speed constant; 0 for B0 and for what it does not
// know (a rate set through Linux's BOTHER).
long RateOfSpeed(speed_t speed);

}  // namespace portkit::tool

#endif
