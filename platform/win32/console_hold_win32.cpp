// The Windows console draws each call itself; there is no output of ours to hold.
#include "platform/platform.h"

namespace portkit::platform {

void HoldConsoleOutput(bool) {}

}  // namespace portkit::platform
