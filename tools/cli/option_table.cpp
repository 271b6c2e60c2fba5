#include "tools/cli/option_table.h"

#include <string>
#include <vector>

namespace portkit::tool {
namespace {

using Rows = std::vector<OptionHelp>;

// Every command that opens a port takes these.
const Rows kLineRows = {
    {"port", 'p', "N|PATH|URL",
     "the port: a number (0 is COM1), COMn, a device such as /dev/ttyUSB0, or a serial server's port as "
     "rfc2217://HOST:PORT (Telnet with line control) or tcp://HOST:PORT (bytes only)"},
    {"baud", 'b', "RATE", "line speed in bits per second (default 115200)"},
    {"parity", 0, "N|O|E|M|S", "parity: none, odd, even, mark or space (default N)"},
    {"data", 0, "5|6|7|8", "data bits (default 8)"},
    {"stop", 0, "1|2", "stop bits (default 1)"},
    {"flow", 0, "none|rtscts|xonxoff", "flow control: none, RTS/CTS or XON/XOFF (default none)"},
};

// What a transfer shows while it runs.
const Rows kProgressRows = {
    {"verbose", 'v', "", "show the protocol's own messages, one per line"},
    {"quiet", 'q', "", "no progress or other news; errors still print"},
};

const Rows kTransferRows = {
    {"stdio", 0, "", "run the transfer over standard input and output instead of a port"},
    {"protocol", 'P', "PROTO",
     "zmodem (default), ymodem, ymodem-g, xmodem, xmodem-checksum, xmodem-1k, xmodem-1k-g, kermit or ascii"},
    {"keep-paths", 0, "", "ZMODEM, YMODEM, Kermit: keep the directories of each name"},
    {"retries", 0, "N", "ZMODEM: errors in a row before giving up (default 10)"},
    {"no-repeat", 0, "", "Kermit: no run-length compression"},
    {"kermit-classic", 0, "", "Kermit: 94-byte packets one at a time, no long packets or windows"},
};

const Rows kSendRows = {
    {"descend", 0, "", "ZMODEM, Kermit: look for each FILE below its directory too; send directories whole"},
    {"resume", 0, "", "ZMODEM: complete a file the receiver has the start of"},
    {"half-duplex", 0, "", "ZMODEM: stream without a window, for lines that carry one direction at a time"},
    {"window", 0, "BYTES",
     "ZMODEM: keep within this many bytes of the receiver's acknowledgements rather than stream (the default "
     "when the receiver can take a stream)"},
    {"newer-or-longer", 0, "", "ZMODEM: the receiver replaces its copy if this one is newer or longer"},
    {"append", 0, "", "ZMODEM: the receiver appends the file to its copy"},
    {"replace", 0, "", "ZMODEM: the receiver replaces its copy"},
    {"newer", 0, "", "ZMODEM: the receiver replaces its copy if this one is newer"},
    {"different", 0, "", "ZMODEM: the receiver replaces its copy if length or time differ"},
    {"skip-existing", 0, "", "ZMODEM: the receiver keeps its copy and skips the file"},
    {"protect", 0, "", "the same as --skip-existing"},
    {"eighth-bit", 0, "", "Kermit: ask for 8th-bit prefixing, for a 7-bit line or peer"},
    {"seven-bit", 0, "", "Kermit: clear bit 8 of every byte sent"},
    {"line-delay", 0, "MS", "ASCII: wait after each line (default 0)"},
    {"char-delay", 0, "MS", "ASCII: wait after each character (default 0)"},
    {"strip-lf", 0, "", "ASCII: send no line feeds"},
};

const Rows kReceiveRows = {
    {"dir", 'd', "DIR", "receive into DIR, made if missing (default: the current directory)"},
    {"overwrite", 0, "", "replace a file of the incoming name (default: keep it and skip the new one)"},
    {"rename", 0, "", "keep a file of the incoming name and store the new one as NAME.1, NAME.2, ..."},
    {"resume", 0, "",
     "ZMODEM: continue a partial file (.NAME.part) or one shorter than the sender's; other protocols receive it whole"},
    {"block-during-write", 0, "", "ZMODEM: hold the sender off while writing to disk"},
    {"seven-bit", 0, "", "Kermit: clear bit 8 of every byte written"},
    {"timeout", 0, "MS", "ASCII: the silence that ends the receive (default 10000)"},
    {"strip-lf", 0, "", "ASCII: write no line feeds"},
};

const Rows kModemRows = {
    {"timeout", 0, "MS", "how long to wait for a reply to a command (default 5000)"},
    {"dial-timeout", 0, "MS", "how long to wait for a call to connect (default 60000)"},
};

const Rows kDirectoryRows = {
    {"directory", 0, "FILE", "the dialing directory (default $XDG_CONFIG_HOME/portkit/DIAL.INI)"},
    {"dial-timeout", 0, "MS", "how long to wait for the call to connect (default 60000)"},
    {"add", 0, "", "add NAME NUMBER to the directory, or change NAME's number"},
    {"list", 0, "", "list the directory"},
    {"term", 0, "", "go on into the terminal once the call connects"},
};

const Rows kTermRows = {
    {"ansi", 0, "", "run the ANSI emulator on the console instead of passing bytes through"},
    {"charset", 0, "utf8|cp437", "--ansi, --window: the far end's text is UTF-8 or CP437 (default cp437)"},
    {"echo", 0, "", "show what you type"},
    {"log", 0, "FILE", "write everything received to FILE as it arrives (emptied first)"},
    {"no-autozmodem", 0, "", "do not receive a ZMODEM send the far end starts"},
    {"bplus", 0, "", "answer a CompuServe B+ host (ENQ, DLE B); without it those bytes are shown as they come"},
};

// The terminal in a window of its own, where the tool was built with X11.
const Rows kWindowRows = {
    {"window", 0, "",
     "run the ANSI emulator in a terminal window of its own (X11 or Windows) instead of on the console"},
    {"rows", 0, "N", "--window: rows of the window, 1 to 255 (default 25)"},
    {"cols", 0, "N", "--window: columns of the window, 1 to 255 (default 80)"},
};

// Pass-through mode's maps, views and pacing, and the command key.
const Rows kTermFeatureRows = {
    {"imap", 0, "MAPS",
     "map received bytes before the screen: crlf, crcrlf, igncr, lfcr, lfcrlf, ignlf, bsdel, delbs, comma-separated "
     "(--ansi, --window: lfcrlf only)"},
    {"omap", 0, "MAPS", "map typed bytes before they are sent, with the names of --imap"},
    {"hex", 0, "", "show received bytes as hex pairs, 16 to a line"},
    {"escape", 0, "LETTER",
     "the command key: a letter stands for itself with Ctrl, as picocom's -e, so a is Ctrl-A (default t, Ctrl-T)"},
    {"timestamps", 0, "", "begin each received line with the local time, 2026-12-10T17:03:04.123"},
    {"output-delay", 0, "MS", "wait after each byte typed or pasted (default 0)"},
    {"line-delay", 0, "MS", "wait after each CR typed or pasted (default 0)"},
    {"log-append", 0, "", "--log and Ctrl-T f add to the file (default: empty it first)"},
};

const Rows kReconnectRows = {
    {"reconnect", 0, "", "wait for a device that is missing or went away (the default)"},
    {"no-reconnect", 0, "", "end, with exit status 1, when the device is missing or goes away"},
    {"list-profiles", 0, "", "list the profiles of the profile file, each with its port"},
};

const Rows kBPlusRows = {
    {"dir", 'd', "DIR", "download into DIR and upload from it (default: the current directory)"},
    {"check", 0, "0|1|2|3", "ask for checksum, CRC-16, CCITT CRC or CRC-32 (default 1)"},
    {"resume", 0, "", "offer to continue a partial download (.NAME.part)"},
    {"overwrite", 0, "", "a download replaces a file of its name (default: keep it, receive into nothing)"},
    {"rename", 0, "", "a download keeps a file of its name and is stored as NAME.1, NAME.2, ..."},
    {"wait", 0, "SECONDS", "how long to wait for the host to start (default 60)"},
    {"allow-upload", 0, "",
     "send the file the host asks for without asking (default: ask, and refuse without a terminal)"},
};

Rows Join(std::initializer_list<const Rows *> groups) {
    Rows rows;
    for (const Rows *group : groups) rows.insert(rows.end(), group->begin(), group->end());
    return rows;
}

struct CommandTable {
    std::string_view command;
    Rows rows;
    std::string_view sibling;
};

const std::vector<CommandTable> &Tables() {
    static const std::vector<CommandTable> tables = {
        {"dump", kLineRows, ""},
        {"send", Join({&kLineRows, &kTransferRows, &kProgressRows, &kSendRows}), "receive"},
        {"receive", Join({&kLineRows, &kTransferRows, &kProgressRows, &kReceiveRows}), "send"},
        {"modem", Join({&kLineRows, &kModemRows}), ""},
        {"dial", Join({&kLineRows, &kDirectoryRows, &kTermRows}), ""},
        {"bplus", Join({&kLineRows, &kBPlusRows, &kProgressRows}), ""},
        {"term", Join({&kLineRows, &kTermRows, &kTermFeatureRows, &kWindowRows, &kReconnectRows}), ""},
    };
    return tables;
}

const CommandTable *FindTable(std::string_view command) {
    for (const CommandTable &table : Tables()) {
        if (table.command == command) return &table;
    }
    return nullptr;
}

constexpr std::size_t kTextColumn = 30;
constexpr std::size_t kLineWidth = 80;

std::string OptionColumn(const OptionHelp &row) {
    std::string left = "  ";
    if (row.short_name != 0) {
        left += '-';
        left += row.short_name;
        left += ", ";
    } else {
        left += "    ";
    }
    left += "--";
    left += row.name;
    if (!row.value.empty()) {
        left += ' ';
        left += row.value;
    }
    return left;
}

// The text from column kTextColumn on, broken between words.
void PrintWrapped(std::FILE *out, std::string line, std::string_view text) {
    const std::string indent(kTextColumn, ' ');
    if (line.size() + 1 > kTextColumn) {
        std::fprintf(out, "%s\n", line.c_str());
        line = indent;
    }
    line.resize(kTextColumn, ' ');
    std::size_t column = kTextColumn;
    while (!text.empty()) {
        const std::size_t blank = text.find(' ');
        const std::string_view word = text.substr(0, blank);
        if (column > kTextColumn && column + 1 + word.size() > kLineWidth) {
            std::fprintf(out, "%s\n", line.c_str());
            line = indent;
            column = kTextColumn;
        }
        if (column > kTextColumn) {
            line += ' ';
            ++column;
        }
        line += word;
        column += word.size();
        text = blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    }
    std::fprintf(out, "%s\n", line.c_str());
}

}  // namespace

std::span<const OptionHelp> OptionTable(std::string_view command) {
    const CommandTable *table = FindTable(command);
    return table == nullptr ? std::span<const OptionHelp>() : std::span<const OptionHelp>(table->rows);
}

std::string_view SiblingCommand(std::string_view command) {
    const CommandTable *table = FindTable(command);
    return table == nullptr ? std::string_view() : table->sibling;
}

const OptionHelp *FindOption(std::string_view command, std::string_view name) {
    for (const OptionHelp &row : OptionTable(command)) {
        if (row.name == name) return &row;
    }
    return nullptr;
}

const OptionHelp *FindShortOption(std::string_view command, char letter) {
    for (const OptionHelp &row : OptionTable(command)) {
        if (row.short_name == letter) return &row;
    }
    return nullptr;
}

void PrintOptionTable(std::FILE *out, std::string_view command) {
    for (const OptionHelp &row : OptionTable(command)) PrintWrapped(out, OptionColumn(row), row.text);
    PrintWrapped(out, "  -h, --help", "this help");
    PrintWrapped(out, "  -V, --version", "the versions of portkit and its library");
}

}  // namespace portkit::tool
