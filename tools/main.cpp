// portkit: serial ports, modems, file transfers and terminals from the shell.
#include <array>
#include <cstdio>
#include <string_view>

#include "commands.h"

namespace portkit::tool {
namespace {

constexpr std::array kCommands = {
    Command{"ports", "portkit ports", "list the serial devices present and their port numbers", RunPorts},
    Command{"dump", "portkit dump --port N|PATH [--baud B] [--parity N|O|E|M|S] [--data D] [--stop S]",
            "open a port and print its settings, queues and line status", RunDump},
    Command{"send",
            "portkit send (--port N|PATH | --stdio) [--protocol PROTO] [--baud B] [--keep-paths] [--verbose]\n"
            "             [--descend] [--resume] [--half-duplex] [--window BYTES] [--retries N]\n"
            "             [--newer-or-longer | --append | --replace | --newer | --different | --skip-existing]\n"
            "             [--line-delay MS] [--char-delay MS] [--strip-lf] FILE...\n"
            "  PROTO: zmodem, ymodem(-g), xmodem(-checksum, -1k, -1k-g), kermit, ascii (plain text, paced)",
            "send files with ZMODEM (the default), YMODEM, XMODEM, Kermit or as plain text", RunSend},
    Command{"receive",
            "portkit receive (--port N|PATH | --stdio) [--protocol PROTO] [--baud B] [--dir DIR] [--keep-paths]\n"
            "                [--verbose] [--resume] [--block-during-write] [--retries N] [--timeout MS] [--strip-lf]\n"
            "                [FILE]",
            "receive files with ZMODEM, YMODEM or Kermit (under the sender's names) or XMODEM or ASCII (into FILE)",
            RunReceive},
    Command{"modem",
            "portkit modem --port N|PATH [--baud B] [--timeout MS] [--dial-timeout MS] COMMAND...\n"
            "  COMMAND: reset | dial NUMBER | answer | hangup | register N | register N=V | an AT command line",
            "send commands to a Hayes modem and print what it answers", RunModem},
    Command{"dial",
            "portkit dial [--port N|PATH] [--baud B] [--directory FILE] [--dial-timeout MS] [--term [TERM OPTIONS]] NAME\n"
            "       portkit dial [--directory FILE] --add NAME NUMBER\n"
            "       portkit dial [--directory FILE] --list",
            "dial a number from the dialing directory by name; add to or list the directory", RunDial},
    Command{"bplus",
            "portkit bplus --port N|PATH [--baud B] [--dir DIR] [--check 0|1|2|3] [--resume] [--wait SECONDS]\n"
            "  Answers a CompuServe B+ host's ENQ and runs the one transfer the host starts: a download\n"
            "  into DIR, or an upload of the file the host names from DIR. --check asks for a check\n"
            "  method (0 checksum, 1 CRC-16, the default, 2 CCITT CRC, 3 CRC-32; the smaller of the two\n"
            "  requests is used); --resume offers to continue a partial download; --wait bounds the wait\n"
            "  for the host (60 s).",
            "answer a CompuServe B+ host and run the transfer it starts", RunBPlus},
    Command{"term",
            "portkit term --port N|PATH [--baud B] [--parity N|E|O|M|S] [--data 7|8] [--stop 1|2]\n"
            "             [--flow none|rtscts|xonxoff] [--ansi] [--echo] [--log FILE] [--no-autozmodem] [--reconnect]\n"
            "  Bytes pass straight through both ways; --ansi runs the library's ANSI emulator instead.\n"
            "  Ctrl-T is the command key: Ctrl-T q quits, Ctrl-T ? lists the rest (send and receive files,\n"
            "  send a text file paced by lines with Ctrl-T a, break, DTR, RTS, line status). A ZMODEM send started at the far end (sz) is received into\n"
            "  the current directory without a keystroke unless --no-autozmodem is given. --echo shows\n"
            "  what you type, --log appends everything received to FILE, --reconnect waits for a device\n"
            "  that went away to come back.",
            "an interactive terminal on a port (in the manner of tio and picocom)", RunTerm},
    Command{"demo", "portkit demo",
            "move sample files with every protocol over a pseudo-terminal and check them", RunDemo},
    Command{"errors", "portkit errors", "list every status code with its message", RunErrors},
};

void PrintUsage(std::FILE *out) {
    std::fprintf(out, "usage: portkit COMMAND [OPTIONS]\n\ncommands:\n");
    for (const Command &command : kCommands) {
        std::fprintf(out, "  %-10.*s %.*s\n", static_cast<int>(command.name.size()), command.name.data(),
                     static_cast<int>(command.summary.size()), command.summary.data());
    }
    std::fprintf(out, "\nRun 'portkit COMMAND --help' for a command's options.\n");
}

const Command *FindCommand(std::string_view name) {
    for (const Command &command : kCommands) {
        if (command.name == name) return &command;
    }
    return nullptr;
}

bool WantsHelp(Arguments arguments) {
    for (const char *argument : arguments) {
        const std::string_view text(argument);
        if (text == "--help" || text == "-h") return true;
    }
    return false;
}

}  // namespace
}  // namespace portkit::tool

int main(int argc, char **argv) {
    using namespace portkit::tool;
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    const std::string_view name(argv[1]);
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return kExitOk;
    }
    const Command *command = FindCommand(name);
    if (command == nullptr) {
        std::fprintf(stderr, "portkit: unknown command '%s'\n\n", argv[1]);
        PrintUsage(stderr);
        return kExitUsage;
    }
    const Arguments arguments(argv + 2, static_cast<std::size_t>(argc - 2));
    if (WantsHelp(arguments)) {
        std::printf("usage: %.*s\n\n%.*s\n", static_cast<int>(command->usage.size()), command->usage.data(),
                    static_cast<int>(command->summary.size()), command->summary.data());
        return kExitOk;
    }
    return command->run(arguments);
}
