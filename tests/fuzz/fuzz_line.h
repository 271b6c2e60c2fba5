// An in-memory serial line for the fuzzers. Its receive side plays the fuzz
// input once; its transmit side swallows everything. Once the input is used
// up the line is gone: reads and the queue count answer -618 (lost carrier)
// and the process hooks that InstallLineHooks sets end every wait, so a
// receiver returns as soon as it has taken what the input holds.
#ifndef PORTKIT_TESTS_FUZZ_FUZZ_LINE_H
#define PORTKIT_TESTS_FUZZ_FUZZ_LINE_H

#include <cstddef>
#include <cstdint>

#include "portkit/port.h"

namespace portkit::fuzz {

class FuzzLine {
public:
    FuzzLine(const std::uint8_t *data, std::size_t size);
    ~FuzzLine();
    FuzzLine(const FuzzLine &) = delete;
    FuzzLine &operator=(const FuzzLine &) = delete;

    PortStructure *port() const { return port_; }
    bool UsedUp() const { return next_ == size_; }
    // One turn of the idle hook; true once this line's waits must end.
    bool IdleTurnEnds();

    static FuzzLine &Of(PortStructure *port);

private:
    static int SpaceUsed(PortStructure *port);
    static int ReadChar(PortStructure *port);
    static int ReadBuffer(PortStructure *port, char *buffer, unsigned int count);
    static int WriteChar(PortStructure *port, int c);
    static int WriteBuffer(PortStructure *port, const char *buffer, unsigned int count);
    int Gone();

    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t next_ = 0;
    int idle_turns_ = 0;
    PortStructure *port_;
};

// Sets the process's idle hook and transfer-abort hook for fuzz lines.
void InstallLineHooks();

// The slots a fuzz line serves itself.
struct FuzzPortSlots {
    int (*read_char)(PortStructure *port);
    int (*read_buffer)(PortStructure *port, char *buffer, unsigned int count);
    int (*write_char)(PortStructure *port, int c);
    int (*write_buffer)(PortStructure *port, const char *buffer, unsigned int count);
    int (*space_used)(PortStructure *port);
};

// A port with `owner` as its driver data, those slots, a transmit side
// that always has room and nothing waiting, and the library's defaults for
// the rest. CloseFuzzPort closes it without the owner.
PortStructure *NewFuzzPort(void *owner, const FuzzPortSlots &slots);
void CloseFuzzPort(PortStructure *port);

}  // namespace portkit::fuzz

#endif
