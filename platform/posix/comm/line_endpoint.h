// What the queue layer needs of the thing under it: a terminal device, or
// one end of the simulated null-modem pair. Every call returns at once.
#ifndef PORTKIT_PLATFORM_POSIX_COMM_LINE_ENDPOINT_H
#define PORTKIT_PLATFORM_POSIX_COMM_LINE_ENDPOINT_H

#include <poll.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace portkit::posix {

enum class Parity { kNone, kOdd, kEven, kMark, kSpace };

struct LineSettings {
    std::uint32_t baud_rate = 9600;
    int data_bits = 8;
    Parity parity = Parity::kNone;
    int stop_bits = 1;
    bool check_parity = false;
    bool xon_xoff_output = false;
    bool xon_xoff_input = false;
    char xon_char = 0x11;
    char xoff_char = 0x13;
    bool rts_cts = false;
};

class LineEndpoint {
public:
    virtual ~LineEndpoint() = default;

    // Non-blocking transfer. Bytes accepted or read; 0 when none can move;
    // -1 with errno set on failure.
    virtual long Write(const std::uint8_t *data, std::size_t count) = 0;
    virtual long Read(std::uint8_t *data, std::size_t count) = 0;

    // Bytes accepted by Write that have not yet left on the line.
    virtual std::size_t PendingOutput() = 0;

    // False with errno set when the settings are refused (EINVAL for a rate
    // the device cannot run at).
    virtual bool Apply(const LineSettings &settings) = 0;

    // False with errno set when the device has no such line to set (a pty,
    // a pipe: ENOTTY or the like).
    virtual bool SetDtr(bool on) = 0;
    virtual bool SetRts(bool on) = 0;
    virtual bool SetBreak(bool on) = 0;
    // MS_CTS_ON, MS_DSR_ON, MS_RING_ON, MS_RLSD_ON bits.
    virtual std::uint32_t ModemStatus() = 0;
    // CE_ bits of the line errors seen since the last call.
    virtual std::uint32_t TakeLineErrors() = 0;
    // Whether TakeLineErrors and PendingOutput are cheap enough to call on
    // every look (no system call).
    virtual bool QueriesAreCheap() const { return false; }
    virtual void Purge(bool output, bool input) = 0;

    // True once the line has gone: the device hung up or vanished, the pty's
    // other side closed, a pipe reached its end. Reported only by a read or
    // a wait that saw it; carrier merely low on a live device is not this.
    virtual bool HungUp() const { return false; }

    // Blocks at most `milliseconds` until input arrives (when `want_input`)
    // or output can move (when `want_output`), or one of `also` (other
    // descriptors the caller waits on) is ready; their revents are set.
    virtual void WaitForActivity(int milliseconds, bool want_output, bool want_input, std::span<pollfd> also) = 0;
};

}  // namespace portkit::posix

#endif
