// The window system under `portkit term --window`: what differs between the
// platforms before the terminal window can be made.
#ifndef PORTKIT_TOOLS_TERM_WINDOW_SYSTEM_H
#define PORTKIT_TOOLS_TERM_WINDOW_SYSTEM_H

namespace portkit::tool {

// Readies the library's terminal window (InitDSTerm); false, with the reason
// on stderr, when the window system cannot be used.
bool OpenWindowSystem();

}  // namespace portkit::tool

#endif
