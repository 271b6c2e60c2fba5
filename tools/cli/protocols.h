// The file-transfer protocols the tool offers and how each one's library
// entry points are called.
#ifndef PORTKIT_TOOLS_CLI_PROTOCOLS_H
#define PORTKIT_TOOLS_CLI_PROTOCOLS_H

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "portkit/transfer.h"

namespace portkit::tool {

using SendEntry = int (*)(PortStructure *port, const char *files, XferMessageFunction message,
                          XferStatusFunction status, ...);
// Receivers that are told the name to store under.
using NamedReceiveEntry = int (*)(PortStructure *port, const char *file_name, XferMessageFunction message,
                                  XferStatusFunction status, ...);
// Receivers that take the names from the sender.
using BatchReceiveEntry = int (*)(PortStructure *port, XferMessageFunction message, XferStatusFunction status, ...);

// The engines behind the protocols; a command-line flag names the families
// that take it.
enum ProtocolFamily : unsigned {
    kXmodemFamily = 1u << 0,
    kYmodemFamily = 1u << 1,
    kZmodemFamily = 1u << 2,
    kKermitFamily = 1u << 3,
    kAsciiFamily = 1u << 4,
};

struct Protocol {
    std::string_view name;
    SendEntry send;
    NamedReceiveEntry receive_named;  // exactly one of the two receivers is set
    BatchReceiveEntry receive_batch;
    std::array<int, 2> variant_options;  // option codes that pick this variant; 0 for none
    ProtocolFamily family;

    bool ReceiveNeedsName() const { return receive_named != nullptr || family == kAsciiFamily; }
    // Several files a session, each sent with its name and length.
    bool Batch() const { return family != kXmodemFamily; }
    // XMODEM has no way to say a file is empty; the others send its length.
    bool SendsEmptyFiles() const { return family != kXmodemFamily && family != kAsciiFamily; }
};

// The protocol used when none is named.
inline constexpr std::string_view kDefaultProtocol = "zmodem";

std::span<const Protocol> Protocols();
const Protocol *FindProtocol(std::string_view name);
// "xmodem, xmodem-checksum, ...", for messages; only those of `families`.
std::string ProtocolNames(unsigned families = ~0u);

// The hooks a transfer reports through; null ones are left out.
struct TransferHooks {
    XferMessageFunction message = nullptr;
    XferStatusFunction status = nullptr;
};

// ASCII has no protocol to agree on these: they are the sender's pacing and
// what both sides do with line feeds and with what the far end sends.
struct AsciiSettings {
    int line_delay_ms = 0;
    int char_delay_ms = 0;
    bool strip_linefeeds = false;
    XferEchoFunction echo = nullptr;
};

// Run a whole transfer with the protocol's variant options and `options`
// (list elements in order: codes, each followed by its argument if it takes
// one, never 0); the result is the entry point's (files moved, or a negative
// status), -7 when more elements are given than a call can carry. `files` is
// the text the library's file list reads: names separated by blanks.
// For ASCII the silence that ends a receive is its normal end: it counts
// as the one file received.
int SendFiles(const Protocol &protocol, PortStructure *port, const std::string &files, TransferHooks hooks,
              const std::vector<int> &options, const AsciiSettings &ascii = {});
// `file_name` is used only by protocols whose receiver needs one.
int ReceiveFiles(const Protocol &protocol, PortStructure *port, const std::string &file_name, TransferHooks hooks,
                 const std::vector<int> &options, const AsciiSettings &ascii = {});

}  // namespace portkit::tool

#endif
