#include "tools/term/message_stream.h"

namespace portkit::tool {

std::FILE *OpenMessageStream(std::function<void(std::string_view)>) { return stderr; }

void CloseMessageStream(std::FILE *) {}

}  // namespace portkit::tool
