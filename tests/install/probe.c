/* Built against an installed portkit: names a status and opens both ends
 * of a simulated cable by name, one byte crossing it. */
#include <stdio.h>
#include <string.h>

#include <portkit/portkit.h>

int main(void) {
    if (strcmp(CommErrorName(PORTKIT_TIME_OUT), "Time out") != 0) return 1;
    PortStructure *a = PortOpenMSWin32ByName("sim:probe:a", 9600, 'N', 8, 1);
    PortStructure *b = PortOpenMSWin32ByName("sim:probe:b", 9600, 'N', 8, 1);
    if (PWGetPortStatus(a) != 0 || PWGetPortStatus(b) != 0) return 2;
    if (WriteCharTimed(a, 'k', 1000) != 0 || ReadCharTimed(b, 1000) != 'k') return 3;
    PWPortClose(a);
    PWPortClose(b);
    puts("ok");
    return 0;
}
