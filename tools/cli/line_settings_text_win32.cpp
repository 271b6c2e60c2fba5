#include "tools/cli/line_settings_text.h"

namespace portkit::tool {

// The library's dump already shows the DCB the driver set.
void PrintSystemLineSettings(std::FILE *, const std::string &) {}

}  // namespace portkit::tool
