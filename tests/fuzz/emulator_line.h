// An in-memory line for the emulator fuzzer: bytes handed to Receive are
// read in order, and everything the emulator writes is kept, one int a
// character (a key code the keyboard loop sends may exceed a byte).
#ifndef PORTKIT_TESTS_FUZZ_EMULATOR_LINE_H
#define PORTKIT_TESTS_FUZZ_EMULATOR_LINE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "portkit/port.h"

namespace portkit::fuzz {

class EmulatorLine {
public:
    EmulatorLine();
    ~EmulatorLine();
    EmulatorLine(const EmulatorLine &) = delete;
    EmulatorLine &operator=(const EmulatorLine &) = delete;

    PortStructure *port() const { return port_; }
    void Receive(const std::uint8_t *data, std::size_t size);
    // What has been received and not yet read.
    std::string_view Unread() const { return std::string_view(received_).substr(next_); }
    std::vector<int> TakeSent();

private:
    static EmulatorLine &Of(PortStructure *port);
    static int ReadChar(PortStructure *port);
    static int ReadBuffer(PortStructure *port, char *buffer, unsigned int count);
    static int WriteChar(PortStructure *port, int c);
    static int WriteBuffer(PortStructure *port, const char *buffer, unsigned int count);
    static int SpaceUsed(PortStructure *port);

    std::string received_;
    std::size_t next_ = 0;
    std::vector<int> sent_;
    PortStructure *port_;
};

}  // namespace portkit::fuzz

#endif
