// portkit: serial ports, modems, file transfers and terminals from the shell.
#include <array>
#include <csignal>
#include <cstdio>
#include <string_view>

#include "tools/cli/commands.h"
#include "tools/cli/option_table.h"

namespace portkit::tool {
namespace {

constexpr std::array kCommands = {
    Command{"ports",
            "portkit ports\n\nA port behind a serial server (ser2net, a terminal server) is not listed; any command "
            "opens it\nwith --port rfc2217://HOST:PORT (Telnet with line control, RFC 2217) or --port "
            "tcp://HOST:PORT\n(bytes only). HOST may be a name, an IPv4 address or an IPv6 address in brackets.",
            "list the serial devices present and their port numbers", RunPorts},
    Command{"dump", "portkit dump [-p] N|PATH [OPTIONS]", "open a port and print its settings, queues and line status",
            RunDump},
    Command{"send", "portkit send (-p N|PATH | --stdio) [-P PROTO] [OPTIONS] FILE...",
            "send files with ZMODEM (the default), YMODEM, XMODEM, Kermit or as plain text (ascii)", RunSend},
    Command{"receive", "portkit receive (-p N|PATH | --stdio) [-P PROTO] [-d DIR] [OPTIONS] [FILE]",
            "receive files with ZMODEM, YMODEM or Kermit (under the sender's names) or XMODEM or ASCII (into FILE)",
            RunReceive},
    Command{"modem",
            "portkit modem -p N|PATH [OPTIONS] COMMAND...\n"
            "  COMMAND: reset | dial NUMBER | answer | hangup | register N | register N=V | an AT command line",
            "send commands to a Hayes modem and print what it answers", RunModem},
    Command{"dial",
            "portkit dial [-p] N|PATH [OPTIONS] [--term [TERM OPTIONS]] NAME\n"
            "       portkit dial [--directory FILE] --add NAME NUMBER\n"
            "       portkit dial [--directory FILE] --list",
            "dial a number from the dialing directory by name; add to or list the directory", RunDial},
    Command{"bplus",
            "portkit bplus [-p] N|PATH [OPTIONS]\n"
            "  Answers a CompuServe B+ host's ENQ and runs the one transfer the host starts: a download\n"
            "  into DIR, or an upload of the file the host names from DIR. Of the two --check requests,\n"
            "  the smaller is used.",
            "answer a CompuServe B+ host and run the transfer it starts", RunBPlus},
    Command{"term",
            "portkit term [-p] N|PATH [OPTIONS]\n"
            "       portkit term PROFILE [OPTIONS]\n"
            "       portkit term --list-profiles\n"
            "  Bytes pass straight through both ways; --ansi runs the library's ANSI emulator instead.\n"
            "  Ctrl-T (or the --escape key) is the command key: Ctrl-T q quits, Ctrl-T ? lists the rest\n"
            "  (send and receive files, send a text file paced by lines with Ctrl-T a, break, DTR, RTS,\n"
            "  line status, line settings, the log, hex view, timestamps). A ZMODEM\n"
            "  send started at the far end (sz) is received into the current directory without a\n"
            "  keystroke unless --no-autozmodem is given. A device that is missing or goes away is waited\n"
            "  for. A PROFILE is a section of $XDG_CONFIG_HOME/portkit/portkit.ini whose keys are long\n"
            "  options (port=/dev/ttyUSB0, baud=9600, ansi=yes); the command line wins over it.",
            "an interactive terminal on a port (in the manner of tio and picocom)", RunTerm},
    Command{"demo", "portkit demo", "move sample files with every protocol over a pseudo-terminal and check them",
            RunDemo},
    Command{"errors", "portkit errors", "list every status code with its message", RunErrors},
};

void PrintUsage(std::FILE *out) {
    std::fprintf(out, "usage: portkit COMMAND [OPTIONS]\n\ncommands:\n");
    for (const Command &command : kCommands) {
        std::fprintf(out, "  %-10.*s %.*s\n", static_cast<int>(command.name.size()), command.name.data(),
                     static_cast<int>(command.summary.size()), command.summary.data());
    }
    std::fprintf(out, "\nRun 'portkit COMMAND --help' for a command's options, 'portkit --version' for the version.\n");
}

const Command *FindCommand(std::string_view name) {
    for (const Command &command : kCommands) {
        if (command.name == name) return &command;
    }
    return nullptr;
}

// Whether the option, long or short, comes before the options end.
bool Asks(Arguments arguments, std::string_view long_name, std::string_view short_name) {
    for (const char *argument : arguments) {
        const std::string_view text(argument);
        if (text == "--") return false;
        if (text == long_name || text == short_name) return true;
    }
    return false;
}

void PrintVersion() {
    std::printf("portkit %s\n", PORTKIT_VERSION);
#if defined(_WIN32)
    std::printf("library: portkit.dll %s, over the Win32 communications API\n", PORTKIT_VERSION);
#else
    std::printf("library: libportkit.so %s, the Win32 communications calls over termios\n", PORTKIT_VERSION);
#endif
}

void PrintCommandHelp(const Command &command) {
    std::printf("usage: %.*s\n\n%.*s\n", static_cast<int>(command.usage.size()), command.usage.data(),
                static_cast<int>(command.summary.size()), command.summary.data());
    std::printf("\noptions:\n");
    PrintOptionTable(stdout, command.name);
}

}  // namespace
}  // namespace portkit::tool

int main(int argc, char **argv) {
    using namespace portkit::tool;
#if !defined(_WIN32)
    // A file-size limit (ulimit -f) then fails the write with EFBIG, which
    // is reported with the file's name, instead of killing the tool.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    const std::string_view name(argv[1]);
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return kExitOk;
    }
    if (name == "--version" || name == "-V") {
        PrintVersion();
        return kExitOk;
    }
    const Command *command = FindCommand(name);
    if (command == nullptr) {
        std::fprintf(stderr, "portkit: unknown command '%s'\n\n", argv[1]);
        PrintUsage(stderr);
        return kExitUsage;
    }
    const Arguments arguments(argv + 2, static_cast<std::size_t>(argc - 2));
    if (Asks(arguments, "--help", "-h")) {
        PrintCommandHelp(*command);
        return kExitOk;
    }
    if (Asks(arguments, "--version", "-V")) {
        PrintVersion();
        return kExitOk;
    }
    return command->run(arguments);
}
