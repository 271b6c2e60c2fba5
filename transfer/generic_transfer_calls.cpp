// Any protocol by number: the option block's slots go to the protocol's
// entry point as its option list, ended by 0.
#include <memory>

#include "transfer/option_block.h"
#include "transfer/transfer_internal.h"

namespace portkit::transfer {
namespace {

struct BlockReleaser {
    void operator()(int32_t *block) const { FreeXferBuffer(block); }
};
using OwnedBlock = std::unique_ptr<int32_t[], BlockReleaser>;

// B+ is one call either way: the host says which way the file goes.
int BPlus(PortStructure *port, const int32_t *s) {
    return CompuServeBPlusWithOptions(port, nullptr, nullptr, s[4], s[5], s[6], s[18], s[19], s[20], s[21], s[22],
                                      s[23], 0);
}

int Send(PortStructure *port, int protocol, const char *names, unsigned char flag, int value, const int32_t *s) {
    switch (protocol) {
        case PORTKIT_XMODEM:
            return XmodemSendWithOptions(port, names, nullptr, nullptr, s[4], s[5], s[6], s[7], s[8], s[9], s[22],
                                         s[23], 0);
        case PORTKIT_XMODEM_1K:
            return Xmodem1KSendWithOptions(port, names, nullptr, nullptr, s[4], s[5], s[6], s[7], s[8], s[9], s[11],
                                           s[22], s[23], 0);
        case PORTKIT_YMODEM:
            return YmodemSendWithOptions(port, names, nullptr, nullptr, s[4], s[3], s[11], s[10], s[5], s[6], s[7],
                                         s[8], s[9], s[22], s[23], 0);
        case PORTKIT_KERMIT:
            return KermitSendWithOptions(port, names, nullptr, nullptr, s[0], s[1], s[2], s[4], s[10], s[3], s[5], s[6],
                                         s[22], s[23], 0);
        case PORTKIT_ASCII:
            return AsciiSendWithOptions(port, names, nullptr, nullptr, nullptr, flag, value, s[4], s[5], s[6], s[10],
                                        s[22], s[23], 0);
        case PORTKIT_ZMODEM:
            return ZmodemSendWithOptions(port, names, nullptr, nullptr, s[4], s[10], s[3], s[5], s[6], s[16], s[14],
                                         s[17], s[22], s[23], s[24], s[25], s[26], s[27], 0);
        case PORTKIT_BPLUS:
            return BPlus(port, s);
        default:
            return PORTKIT_INVALID_PARAMETER;
    }
}

int Receive(PortStructure *port, int protocol, const char *name, unsigned char flag, const int32_t *s) {
    switch (protocol) {
        case PORTKIT_XMODEM:
            return XmodemReceiveWithOptions(port, name, nullptr, nullptr, s[4], s[5], s[6], s[7], s[22], s[23], 0);
        case PORTKIT_XMODEM_1K:
            return Xmodem1KReceiveWithOptions(port, name, nullptr, nullptr, s[4], s[5], s[6], s[11], s[22], s[23], 0);
        case PORTKIT_YMODEM:
            return YmodemReceiveWithOptions(port, nullptr, nullptr, s[4], s[3], s[11], s[5], s[6], s[22], s[23], 0);
        case PORTKIT_KERMIT:
            return KermitReceiveWithOptions(port, nullptr, nullptr, s[1], s[2], s[4], s[3], s[5], s[6], s[22], s[23],
                                            0);
        case PORTKIT_ASCII:
            return AsciiReceiveWithOptions(port, name, nullptr, nullptr, nullptr, flag, s[4], s[5], s[6], s[12], s[13],
                                           s[22], s[23], 0);
        case PORTKIT_ZMODEM:
            return ZmodemReceiveWithOptions(port, nullptr, nullptr, s[4], s[3], s[5], s[6], s[14], s[15], s[22], s[23],
                                            s[24], s[25], 0);
        case PORTKIT_BPLUS:
            return BPlus(port, s);
        default:
            return PORTKIT_INVALID_PARAMETER;
    }
}

// The streaming types are reached through their base protocol and option 1011.
bool IsCallable(int protocol) {
    return protocol != PORTKIT_XMODEM_1K_G && protocol != PORTKIT_YMODEM_G &&
           static_cast<unsigned>(protocol) <= PORTKIT_BPLUS;
}

}  // namespace
}  // namespace portkit::transfer

using namespace portkit::transfer;

extern "C" {

PORTKIT_API int32_t *PWSetFileTransferOptions(const int32_t *option_list) { return CreateOptionBlock(option_list); }

PORTKIT_API int PWFileSend(PortStructure *port, int protocol, const char *file_spec, int ascii_flag, int ascii_value,
                           int32_t *options) {
    const OwnedBlock block(options);
    if (port == nullptr || block == nullptr || !IsCallable(protocol)) return PORTKIT_INVALID_PARAMETER;
    return Send(port, protocol, file_spec, ascii_flag != 0 ? 1 : 0, ascii_value, block.get());
}

PORTKIT_API int PWFileReceive(PortStructure *port, int protocol, const char *file_name, int ascii_flag,
                              int32_t *options) {
    const OwnedBlock block(options);
    if (port == nullptr || block == nullptr || !IsCallable(protocol)) return PORTKIT_INVALID_PARAMETER;
    return Receive(port, protocol, file_name, ascii_flag != 0 ? 1 : 0, block.get());
}

}  // extern "C"
