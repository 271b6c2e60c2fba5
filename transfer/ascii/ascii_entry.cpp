// ASCII entry points: the record from the caller's values and options,
// then the engines.
#include <cstring>

#include "transfer/ascii/ascii_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kSendOptions[] = {PORTKIT_XFER_DESCEND};
constexpr int kReceiveOptions[] = {PORTKIT_XFER_ASCII_TIMEOUT, PORTKIT_XFER_EXISTING_FILES, PORTKIT_XFER_PARTIAL_NAMES};

void Prepare(TransferRecord *record, PortStructure *port, XferMessageFunction message, XferStatusFunction status,
             XferEchoFunction echo, int strip_linefeeds) {
    InitialiseRecord(record, port, message, status, PORTKIT_ASCII);
    std::memset(&record->protocol, 0, sizeof record->protocol);
    AsciiArea &ascii = Ascii(record);
    ascii.receive_timeout = kAsciiReceiveTimeoutMs;
    ascii.echo_function = echo;
    ascii.strip_linefeeds = strip_linefeeds != 0 ? 1 : 0;
}

int EngineResult(const TransferRecord &record) { return record.status == 0 ? 1 : 0; }

}  // namespace
}  // namespace portkit::transfer

using namespace portkit::transfer;

extern "C" {

PORTKIT_API int _AsciiSend(TransferRecord *record) {
    if (record == nullptr || record->port == nullptr) return 0;
    RunAsciiSend(record);
    return EngineResult(*record);
}

PORTKIT_API int _AsciiReceive(TransferRecord *record) {
    if (record == nullptr || record->port == nullptr) return 0;
    RunAsciiReceive(record);
    return EngineResult(*record);
}

PORTKIT_API int AsciiSendWithOptions(PortStructure *port, const char *file_spec, XferMessageFunction message,
                                     XferStatusFunction status, XferEchoFunction echo, int strip_linefeeds,
                                     int line_delay, ...) {
    if (port == nullptr) return PORTKIT_INVALID_PARAMETER;
    TransferRecord record;
    Prepare(&record, port, message, status, echo, strip_linefeeds);
    Ascii(&record).line_delay = line_delay;
    bool descend = false;
    std::va_list options;
    va_start(options, line_delay);
    const int parsed = ParseTransferOptions(&record, options, OptionsOf(kSendOptions), nullptr, &descend);
    va_end(options);
    if (parsed != 0) return PORTKIT_INVALID_PARAMETER;
    return SendFileList(&record, file_spec, descend, RunAsciiSend);
}

// Without a name there is nowhere to write: refused before anything opens.
PORTKIT_API int AsciiReceiveWithOptions(PortStructure *port, const char *file_name, XferMessageFunction message,
                                        XferStatusFunction status, XferEchoFunction echo, int strip_linefeeds, ...) {
    if (port == nullptr || file_name == nullptr || file_name[0] == '\0') return PORTKIT_INVALID_PARAMETER;
    TransferRecord record;
    Prepare(&record, port, message, status, echo, strip_linefeeds);
    std::va_list options;
    va_start(options, strip_linefeeds);
    const int parsed = ParseTransferOptions(&record, options, OptionsOf(kReceiveOptions), nullptr, nullptr);
    va_end(options);
    if (parsed != 0) return PORTKIT_INVALID_PARAMETER;
    record.file_name = const_cast<char *>(file_name);
    RunAsciiReceive(&record);
    return TransferResult(record);
}

}  // extern "C"
