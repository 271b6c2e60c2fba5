// A stdio stream whose text goes to a function, for progress lines that
// must pass through the terminal's own output path.
#ifndef PORTKIT_TOOLS_TERM_MESSAGE_STREAM_H
#define PORTKIT_TOOLS_TERM_MESSAGE_STREAM_H

#include <cstdio>
#include <functional>
#include <string_view>

namespace portkit::tool {

// Unbuffered; close with fclose. Where the platform has no such streams,
// standard error, which there is the console itself.
std::FILE *OpenMessageStream(std::function<void(std::string_view)> sink);
void CloseMessageStream(std::FILE *stream);

}  // namespace portkit::tool

#endif
