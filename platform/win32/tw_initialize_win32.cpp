// The text windows' MDI frame on Windows is not there yet: TWInitialize
// fails, so no text window can be made.
#include "portkit/textwin.h"

extern "C" PORTKIT_API int TWInitialize(void *, void *, int, const char *) { return 0; }
