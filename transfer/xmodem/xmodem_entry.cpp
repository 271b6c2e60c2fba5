// Entry points of the XMODEM family: fill a record from the options, build
// the list of files to send, run the engine.
#include "port/port_queues.h"
#include "transfer/xmodem/xmodem_engine.h"

namespace portkit::transfer {
namespace {

using Engine = void (*)(TransferRecord *record);

constexpr int kXmodemSend[] = {PORTKIT_XFER_CHECKSUM, PORTKIT_XFER_RESPONSE_TIMEOUT};
constexpr int kXmodemReceive[] = {PORTKIT_XFER_CHECKSUM, PORTKIT_XFER_EXISTING_FILES, PORTKIT_XFER_PARTIAL_NAMES};
constexpr int k1KSend[] = {PORTKIT_XFER_STREAMING, PORTKIT_XFER_RESPONSE_TIMEOUT};
constexpr int k1KReceive[] = {PORTKIT_XFER_STREAMING, PORTKIT_XFER_EXISTING_FILES, PORTKIT_XFER_PARTIAL_NAMES};
constexpr int kYmodemSend[] = {PORTKIT_XFER_KEEP_PATHS, PORTKIT_XFER_DESCEND, PORTKIT_XFER_STREAMING,
                               PORTKIT_XFER_RESPONSE_TIMEOUT};
constexpr int kYmodemReceive[] = {PORTKIT_XFER_KEEP_PATHS, PORTKIT_XFER_STREAMING, PORTKIT_XFER_EXISTING_FILES,
                                  PORTKIT_XFER_PARTIAL_NAMES, PORTKIT_XFER_NO_HIDDEN_NAMES};

// `streamed_type` is the type option 1011 selects, or -1 where it is not taken.
int Send(PortStructure *port, const char *file_spec, XferMessageFunction message, XferStatusFunction status, int type,
         int streamed_type, OptionSet accepted, Engine engine, std::va_list options) {
    TransferRecord record;
    InitialiseRecord(&record, port, message, status, type);
    bool streaming = false;
    bool descend = false;
    if (ParseTransferOptions(&record, options, accepted, &streaming, &descend) != 0) return PORTKIT_INVALID_PARAMETER;
    if (streaming && streamed_type >= 0) record.transfer_type = static_cast<unsigned char>(streamed_type);
    // YMODEM takes the descend option but sends from the given directory only.
    return SendFileList(&record, file_spec, false, engine);
}

int Receive(PortStructure *port, const char *file_name, XferMessageFunction message, XferStatusFunction status,
            int type, int streamed_type, OptionSet accepted, Engine engine, std::va_list options) {
    TransferRecord record;
    InitialiseRecord(&record, port, message, status, type);
    bool streaming = false;
    if (ParseTransferOptions(&record, options, accepted, &streaming, nullptr) != 0) return PORTKIT_INVALID_PARAMETER;
    if (streaming && streamed_type >= 0) record.transfer_type = static_cast<unsigned char>(streamed_type);
    record.file_name = const_cast<char *>(file_name);
    record.file_list = nullptr;
    engine(&record);
    portkit::HoldPortOutput(port, false);
    return TransferResult(record);
}

}  // namespace
}  // namespace portkit::transfer

using namespace portkit::transfer;

#define PORTKIT_WITH_OPTIONS(last, call) \
    std::va_list options;                \
    va_start(options, last);             \
    const int result = call;             \
    va_end(options);                     \
    return result

extern "C" {

PORTKIT_API int XmodemSendWithOptions(PortStructure *port, const char *file_spec, XferMessageFunction message,
                                      XferStatusFunction status, ...) {
    PORTKIT_WITH_OPTIONS(status, Send(port, file_spec, message, status, PORTKIT_XMODEM, -1, OptionsOf(kXmodemSend),
                                      XmodemSendFile, options));
}

PORTKIT_API int XmodemReceiveWithOptions(PortStructure *port, const char *file_name, XferMessageFunction message,
                                         XferStatusFunction status, ...) {
    PORTKIT_WITH_OPTIONS(status, Receive(port, file_name, message, status, PORTKIT_XMODEM, -1,
                                         OptionsOf(kXmodemReceive), XmodemReceiveFile, options));
}

PORTKIT_API int Xmodem1KSendWithOptions(PortStructure *port, const char *file_spec, XferMessageFunction message,
                                        XferStatusFunction status, ...) {
    PORTKIT_WITH_OPTIONS(status, Send(port, file_spec, message, status, PORTKIT_XMODEM_1K, PORTKIT_XMODEM_1K_G,
                                      OptionsOf(k1KSend), XmodemSendFile, options));
}

PORTKIT_API int Xmodem1KReceiveWithOptions(PortStructure *port, const char *file_name, XferMessageFunction message,
                                           XferStatusFunction status, ...) {
    PORTKIT_WITH_OPTIONS(status, Receive(port, file_name, message, status, PORTKIT_XMODEM_1K, PORTKIT_XMODEM_1K_G,
                                         OptionsOf(k1KReceive), XmodemReceiveFile, options));
}

PORTKIT_API int YmodemSendWithOptions(PortStructure *port, const char *file_spec, XferMessageFunction message,
                                      XferStatusFunction status, ...) {
    PORTKIT_WITH_OPTIONS(status, Send(port, file_spec, message, status, PORTKIT_YMODEM, PORTKIT_YMODEM_G,
                                      OptionsOf(kYmodemSend), YmodemSendBatch, options));
}

PORTKIT_API int YmodemReceiveWithOptions(PortStructure *port, XferMessageFunction message, XferStatusFunction status,
                                         ...) {
    PORTKIT_WITH_OPTIONS(status, Receive(port, nullptr, message, status, PORTKIT_YMODEM, PORTKIT_YMODEM_G,
                                         OptionsOf(kYmodemReceive), YmodemReceiveBatch, options));
}

}  // extern "C"
