#include "tools/cli/protocols.h"

namespace portkit::tool {
namespace {

// Not constexpr: on Windows the entry points live in the DLL, and their
// addresses are known only once it is loaded.
const Protocol kProtocols[] = {
    {"xmodem", XmodemSendWithOptions, XmodemReceiveWithOptions, nullptr, {0, 0}, kXmodemFamily},
    {"xmodem-checksum",
     XmodemSendWithOptions,
     XmodemReceiveWithOptions,
     nullptr,
     {PORTKIT_XFER_CHECKSUM, 0},
     kXmodemFamily},
    {"xmodem-1k", Xmodem1KSendWithOptions, Xmodem1KReceiveWithOptions, nullptr, {0, 0}, kXmodemFamily},
    {"xmodem-1k-g",
     Xmodem1KSendWithOptions,
     Xmodem1KReceiveWithOptions,
     nullptr,
     {PORTKIT_XFER_STREAMING, 0},
     kXmodemFamily},
    {"ymodem", YmodemSendWithOptions, nullptr, YmodemReceiveWithOptions, {0, 0}, kYmodemFamily},
    {"ymodem-g", YmodemSendWithOptions, nullptr, YmodemReceiveWithOptions, {PORTKIT_XFER_STREAMING, 0}, kYmodemFamily},
    {"zmodem", ZmodemSendWithOptions, nullptr, ZmodemReceiveWithOptions, {0, 0}, kZmodemFamily},
    {"kermit", KermitSendWithOptions, nullptr, KermitReceiveWithOptions, {0, 0}, kKermitFamily},
    // Its entry points take the ASCII values first: called apart below.
    {"ascii", nullptr, nullptr, nullptr, {0, 0}, kAsciiFamily},
};

// The entry points take their options as variadic ints ended by 0; a list
// built at run time goes out as a fixed number of slots, the unused ones 0.
// Room for every ZMODEM flag at once, the two valued ones with their values.
constexpr std::size_t kOptionSlots = 16;
using OptionSlots = std::array<int, kOptionSlots>;

bool FillSlots(const Protocol &protocol, const std::vector<int> &options, OptionSlots *slots) {
    slots->fill(0);
    std::size_t used = 0;
    for (int code : protocol.variant_options) {
        if (code != 0) (*slots)[used++] = code;
    }
    if (used + options.size() > kOptionSlots) return false;
    for (int element : options) (*slots)[used++] = element;
    return true;
}

// The entry point always sends without a character delay; the record it
// fills reaches the status hook at the set-up, before the first character,
// which is where the delay is put in.
int ascii_char_delay_ms = 0;
XferStatusFunction ascii_status = nullptr;

int SetCharDelayThenReport(TransferRecord *record) {
    record->protocol.ascii.char_delay = ascii_char_delay_ms;
    return ascii_status != nullptr ? ascii_status(record) : 0;
}

int SendAscii(PortStructure *port, const std::string &files, TransferHooks hooks, const OptionSlots &o,
              const AsciiSettings &ascii) {
    ascii_char_delay_ms = ascii.char_delay_ms;
    ascii_status = hooks.status;
    return AsciiSendWithOptions(port, files.c_str(), hooks.message, SetCharDelayThenReport, ascii.echo,
                                ascii.strip_linefeeds ? 1 : 0, ascii.line_delay_ms, o[0], o[1], o[2], o[3], o[4], o[5],
                                o[6], o[7], o[8], o[9], o[10], o[11], o[12], o[13], o[14], o[15], 0);
}

int ReceiveAscii(PortStructure *port, const std::string &file_name, TransferHooks hooks, const OptionSlots &o,
                 const AsciiSettings &ascii) {
    const int result = AsciiReceiveWithOptions(port, file_name.c_str(), hooks.message, hooks.status, ascii.echo,
                                               ascii.strip_linefeeds ? 1 : 0, o[0], o[1], o[2], o[3], o[4], o[5], o[6],
                                               o[7], o[8], o[9], o[10], o[11], o[12], o[13], o[14], o[15], 0);
    return result == PORTKIT_XFER_CHAR_TIMEOUT ? 1 : result;
}

}  // namespace

std::span<const Protocol> Protocols() { return kProtocols; }

const Protocol *FindProtocol(std::string_view name) {
    for (const Protocol &protocol : kProtocols) {
        if (protocol.name == name) return &protocol;
    }
    return nullptr;
}

std::string ProtocolNames(unsigned families) {
    std::string names;
    for (const Protocol &protocol : kProtocols) {
        if ((protocol.family & families) == 0) continue;
        if (!names.empty()) names += ", ";
        names += protocol.name;
    }
    return names;
}

int SendFiles(const Protocol &protocol, PortStructure *port, const std::string &files, TransferHooks hooks,
              const std::vector<int> &options, const AsciiSettings &ascii) {
    OptionSlots o;
    if (!FillSlots(protocol, options, &o)) return PORTKIT_INVALID_PARAMETER;
    if (protocol.family == kAsciiFamily) return SendAscii(port, files, hooks, o, ascii);
    return protocol.send(port, files.c_str(), hooks.message, hooks.status, o[0], o[1], o[2], o[3], o[4], o[5], o[6],
                         o[7], o[8], o[9], o[10], o[11], o[12], o[13], o[14], o[15], 0);
}

int ReceiveFiles(const Protocol &protocol, PortStructure *port, const std::string &file_name, TransferHooks hooks,
                 const std::vector<int> &options, const AsciiSettings &ascii) {
    OptionSlots o;
    if (!FillSlots(protocol, options, &o)) return PORTKIT_INVALID_PARAMETER;
    if (protocol.family == kAsciiFamily) return ReceiveAscii(port, file_name, hooks, o, ascii);
    if (protocol.ReceiveNeedsName()) {
        return protocol.receive_named(port, file_name.c_str(), hooks.message, hooks.status, o[0], o[1], o[2], o[3],
                                      o[4], o[5], o[6], o[7], o[8], o[9], o[10], o[11], o[12], o[13], o[14], o[15], 0);
    }
    return protocol.receive_batch(port, hooks.message, hooks.status, o[0], o[1], o[2], o[3], o[4], o[5], o[6], o[7],
                                  o[8], o[9], o[10], o[11], o[12], o[13], o[14], o[15], 0);
}

}  // namespace portkit::tool
