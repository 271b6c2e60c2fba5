/* Compiled as C: the public headers and a few calls must work from C. */
#include <string.h>

#include "portkit/portkit.h"

int main(void) {
    PortStructure *port = _OutOfMemoryPort();
    if (PWGetPortStatus(port) != PORTKIT_NO_MEMORY) return 1;
    if (PWReadChar(port) != PORTKIT_NOT_SUPPORTED) return 2;
    if (strcmp(CommErrorName(PORTKIT_TIME_OUT), "Time out") != 0) return 3;
    return 0;
}
