// serial_check PORT COMMAND [ARGS...]: opens port number PORT (0 is COM1)
// at 115200 8N1, runs one command, closes the port. Exit 1 when a check
// failed, 2 for a usage mistake or a port that does not open.
#include <cstdio>
#include <cstdlib>
#include <map>

#include "serial_check.h"

namespace serial_check {
namespace {

bool failed = false;

void Line(const char *kind, const std::string &name, const std::string &why) {
    if (why.empty())
        std::printf("%s: %s\n", kind, name.c_str());
    else
        std::printf("%s: %s: %s\n", kind, name.c_str(), why.c_str());
    // The script reads these while the program still runs.
    std::fflush(stdout);
}

}  // namespace

void Ok(const std::string &name) { Line("ok", name, ""); }
void Fail(const std::string &name, const std::string &why) {
    failed = true;
    Line("FAIL", name, why);
}
void Skip(const std::string &name, const std::string &why) { Line("skipped", name, why); }
void Note(const std::string &text) { Line("note", text, ""); }
bool AnyFailed() { return failed; }

std::string Printed(const char *format, long a, long b, long c) {
    char text[200];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

std::vector<char> ReadWholeFile(const char *path) {
    std::vector<char> bytes;
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) return bytes;
    char block[65536];
    std::size_t n;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0) bytes.insert(bytes.end(), block, block + n);
    std::fclose(file);
    return bytes;
}

bool WriteWholeFile(const char *path, const char *data, std::size_t size) {
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    const bool whole = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && whole;
}

bool SayReady(PortStructure *port) { return WriteCharTimed(port, 'R', 5000) == 0; }

bool AwaitAck(PortStructure *port, int timeout_ms) { return ReadCharTimed(port, timeout_ms) == 'K'; }

}  // namespace serial_check

int main(int argc, char **argv) {
    using Command = void (*)(PortStructure *, const std::vector<std::string> &);
    const std::map<std::string, Command> commands = {
        {"stalled-write", serial_check::StalledWrite}, {"reused-buffer", serial_check::ReusedBuffer},
        {"write-timeout", serial_check::WriteTimeout}, {"read", serial_check::ReadIntoFile},
        {"pieces", serial_check::ReadPieces},          {"strings", serial_check::ReadStrings},
        {"queue-counts", serial_check::QueueCounts},   {"lines", serial_check::LineSettings},
        {"hangup-read", serial_check::HangupRead},
    };
    const auto command = argc >= 3 ? commands.find(argv[2]) : commands.end();
    if (command == commands.end()) {
        std::fprintf(stderr, "usage: serial_check PORT COMMAND [ARGS...]; COMMAND is one of");
        for (const auto &entry : commands) std::fprintf(stderr, " %s", entry.first.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    PortStructure *port = PortOpenMSWin32(std::atoi(argv[1]), 115200, 'N', 8, 1);
    if (PWGetPortStatus(port) < 0) {
        std::fprintf(stderr, "serial_check: port %s does not open: %s\n", argv[1],
                     CommErrorName(PWGetPortStatus(port)));
        return 2;
    }
    command->second(port, std::vector<std::string>(argv + 3, argv + argc));
    PWPortClose(port);
    return serial_check::AnyFailed() ? 1 : 0;
}
