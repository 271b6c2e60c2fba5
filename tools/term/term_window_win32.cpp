// The terminal window on Windows: InitDSTerm(nullptr) registers the class
// "DSTerm" for portkit.exe itself.
#include "tools/term/term_window_system.h"

namespace portkit::tool {

const char kWindowSystemFailure[] = "cannot register the terminal window's class";

}  // namespace portkit::tool
