#include "tools/modem/modem_results.h"

namespace portkit::tool {
namespace {

struct ResultCode {
    std::string_view words;
    std::string_view number;
    ModemResult result;
};

constexpr ResultCode kResultCodes[] = {
    {"OK", "0", ModemResult::kOk},
    {"CONNECT", "1", ModemResult::kConnect},
    {"NO CARRIER", "3", ModemResult::kFailed},
    {"ERROR", "4", ModemResult::kFailed},
    {"NO DIALTONE", "6", ModemResult::kFailed},
    {"BUSY", "7", ModemResult::kFailed},
    {"NO ANSWER", "8", ModemResult::kFailed},
};

}  // namespace

ModemResult ClassifyReplyLine(std::string_view line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    // The line speed and protocol may follow: "CONNECT 9600/ARQ".
    if (line.starts_with("CONNECT ")) return ModemResult::kConnect;
    for (const ResultCode &code : kResultCodes) {
        if (line == code.words || line == code.number) return code.result;
    }
    return ModemResult::kNotFinal;
}

}  // namespace portkit::tool
