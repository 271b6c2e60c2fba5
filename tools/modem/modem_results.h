// The result codes that end a Hayes modem's reply, in words (V1) or as
// numbers (V0).
#ifndef PORTKIT_TOOLS_MODEM_MODEM_RESULTS_H
#define PORTKIT_TOOLS_MODEM_MODEM_RESULTS_H

#include <string_view>

namespace portkit::tool {

enum class ModemResult {
    kNotFinal,  // any other reply line: more may follow
    kOk,
    kConnect,
    kFailed,  // ERROR, or a call that did not connect: NO CARRIER, BUSY, NO DIALTONE, NO ANSWER
};

// What a reply line says; trailing blanks do not count.
ModemResult ClassifyReplyLine(std::string_view line);

}  // namespace portkit::tool

#endif
