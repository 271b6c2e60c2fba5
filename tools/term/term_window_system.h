// The window system under `portkit term --window`: what differs between the
// platforms around the library's terminal window.
#ifndef PORTKIT_TOOLS_TERM_TERM_WINDOW_SYSTEM_H
#define PORTKIT_TOOLS_TERM_TERM_WINDOW_SYSTEM_H

namespace portkit::tool {

// Why InitDSTerm(nullptr) fails on this platform, in the user's words.
extern const char kWindowSystemFailure[];

}  // namespace portkit::tool

#endif
