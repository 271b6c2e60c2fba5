#include "platform/posix/comm/tty_endpoint.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#if defined(__linux__)
#include <linux/serial.h>
#endif

#include "platform/posix/comm/termios_speeds.h"
#include "platform/posix/comm/win32_comm.h"

namespace portkit::posix {

bool StandardSpeed(unsigned rate, unsigned *speed_constant) {
    for (const TermiosSpeed &entry : kTermiosSpeeds) {
        if (entry.rate == rate) {
            *speed_constant = static_cast<unsigned>(entry.speed);
            return true;
        }
    }
    return false;
}

namespace {

class TtyEndpoint final : public LineEndpoint {
public:
    TtyEndpoint(int input_fd, int output_fd, bool exclusive = false)
        : in_(input_fd), out_(output_fd), exclusive_(exclusive) {
        is_tty_ = isatty(in_) == 1;
        TakeLineErrors();  // start counting from now
    }
    ~TtyEndpoint() override {
        // The kernel keeps the exclusive flag while the terminal lives on (a
        // pty whose master stays open), which would lock out the next user.
        if (exclusive_) ioctl(in_, TIOCNXCL);
        if (out_ != in_) close(out_);
        close(in_);
    }

    long Write(const std::uint8_t *data, std::size_t count) override {
        const ssize_t n = write(out_, data, count);
        if (n >= 0) return n;
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
        // A closed pipe or socket, a hung-up terminal, an unplugged device.
        if (errno == EPIPE || errno == ECONNRESET) output_gone_ = true;
        if (errno == EIO || errno == ENXIO || errno == ENODEV) peer_gone_ = true;
        return -1;
    }

    long Read(std::uint8_t *data, std::size_t count) override {
        const ssize_t n = read(in_, data, count);
        if (n > 0) {
            peer_gone_ = false;
            hangup_seen_ = false;
            return n;
        }
        if (n == 0) {
            // A terminal in raw mode answers 0 both when nothing is waiting
            // and once it has hung up; the poll that woke us tells which. A
            // pipe or socket answers 0 only at its end.
            // A caller that polls without our waits (a terminal's own loop)
            // learns of a hang-up from every so many empty reads.
            if (!is_tty_)
                peer_gone_ = true;
            else if (hangup_seen_ || peer_gone_ || ++empty_reads_ % kHangUpCheckInterval == 0) {
                peer_gone_ = HangUpPending();
            }
            hangup_seen_ = false;
            return 0;
        }
        // EIO: a pty whose other side closed, or a device that went away.
        if (errno == EIO || errno == ENXIO || errno == ENODEV) {
            peer_gone_ = true;
            return 0;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            // A pty master's other side may have been opened again.
            if (peer_gone_ && is_tty_) peer_gone_ = HangUpPending();
            return 0;
        }
        return -1;
    }

    bool HungUp() const override { return peer_gone_ || output_gone_; }

    std::size_t PendingOutput() override {
        int queued = 0;
        if (!is_tty_ || ioctl(out_, TIOCOUTQ, &queued) != 0 || queued < 0) return 0;
        return static_cast<std::size_t>(queued);
    }

    bool Apply(const LineSettings &settings) override {
        if (!is_tty_) return true;  // a pipe or socket has nothing to set
        termios tio{};
        if (tcgetattr(in_, &tio) != 0) return false;
        tio.c_iflag = 0;
        tio.c_oflag = 0;
        tio.c_lflag = 0;
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL);
#ifdef CMSPAR
        tio.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
        tio.c_cflag |= CREAD | CLOCAL;
        static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
        tio.c_cflag |= kSizes[settings.data_bits - 5];
        switch (settings.parity) {
            case Parity::kNone:
                break;
            case Parity::kOdd:
                tio.c_cflag |= PARENB | PARODD;
                break;
            case Parity::kEven:
                tio.c_cflag |= PARENB;
                break;
#ifdef CMSPAR
            case Parity::kMark:
                tio.c_cflag |= PARENB | PARODD | CMSPAR;
                break;
            case Parity::kSpace:
                tio.c_cflag |= PARENB | CMSPAR;
                break;
#else
            case Parity::kMark:
            case Parity::kSpace:
                errno = EINVAL;
                return false;
#endif
        }
        if (settings.stop_bits == 2) tio.c_cflag |= CSTOPB;
        if (settings.rts_cts) tio.c_cflag |= CRTSCTS;
        if (settings.check_parity) tio.c_iflag |= INPCK;
        if (settings.xon_xoff_output) tio.c_iflag |= IXON;
        if (settings.xon_xoff_input) tio.c_iflag |= IXOFF;
        tio.c_cc[VSTART] = static_cast<cc_t>(settings.xon_char);
        tio.c_cc[VSTOP] = static_cast<cc_t>(settings.xoff_char);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        unsigned speed = 0;
        const bool standard = StandardSpeed(settings.baud_rate, &speed);
        if (standard) {
            cfsetispeed(&tio, static_cast<speed_t>(speed));
            cfsetospeed(&tio, static_cast<speed_t>(speed));
        }
        if (tcsetattr(in_, TCSANOW, &tio) != 0) return false;
        if (!standard && !SetArbitrarySpeed(in_, settings.baud_rate)) return false;
        return true;
    }

    bool SetDtr(bool on) override { return SetModemBit(TIOCM_DTR, on); }
    bool SetRts(bool on) override { return SetModemBit(TIOCM_RTS, on); }
    bool SetBreak(bool on) override {
        if (!is_tty_) return NoSuchLine();
        return ioctl(out_, on ? TIOCSBRK : TIOCCBRK) == 0;
    }

    std::uint32_t ModemStatus() override {
        if (HungUp()) return 0;
        int bits = 0;
        // A device without modem lines (a pty, a pipe) is a live direct
        // connection: clear to send, ready, carrier present.
        if (!is_tty_ || ioctl(in_, TIOCMGET, &bits) != 0) {
            return PeerHungUp() ? 0 : MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON;
        }
        std::uint32_t status = 0;
        if (bits & TIOCM_CTS) status |= MS_CTS_ON;
        if (bits & TIOCM_DSR) status |= MS_DSR_ON;
        if (bits & TIOCM_RNG) status |= MS_RING_ON;
        if (bits & TIOCM_CAR) status |= MS_RLSD_ON;
        return status;
    }

    std::uint32_t TakeLineErrors() override {
#if defined(__linux__) && defined(TIOCGICOUNT)
        if (!counters_supported_) return 0;
        serial_icounter_struct now{};
        if (!is_tty_ || ioctl(in_, TIOCGICOUNT, &now) != 0) {
            counters_supported_ = false;
            return 0;
        }
        std::uint32_t errors = 0;
        if (have_counters_) {
            if (now.frame != counters_.frame) errors |= CE_FRAME;
            if (now.parity != counters_.parity) errors |= CE_RXPARITY;
            if (now.overrun != counters_.overrun) errors |= CE_OVERRUN;
            if (now.buf_overrun != counters_.buf_overrun) errors |= CE_RXOVER;
            if (now.brk != counters_.brk) errors |= CE_BREAK;
        }
        counters_ = now;
        have_counters_ = true;
        return errors;
#else
        return 0;
#endif
    }

    void Purge(bool output, bool input) override {
        if (!is_tty_) return;
        if (output && input)
            tcflush(in_, TCIOFLUSH);
        else if (output)
            tcflush(out_, TCOFLUSH);
        else if (input)
            tcflush(in_, TCIFLUSH);
    }

    void WaitForActivity(int milliseconds, bool want_output, bool want_input, std::span<pollfd> also) override {
        // A line that has gone would wake poll at once for ever: a wait on it
        // just passes the time (and the caller's reads fail at once anyway).
        if (HungUp()) {
            poll(also.data(), also.size(), milliseconds);
            return;
        }
        pollfd own[2];
        nfds_t count = 0;
        if (want_input) own[count++] = {in_, POLLIN, 0};
        // A separate output (a pipe, a socket) is watched for its reader
        // going away even when there is nothing to write.
        const bool watch_output = want_output || out_ != in_;
        if (watch_output) own[count++] = {out_, static_cast<short>(want_output ? POLLOUT : 0), 0};
        if (!WaitTogether(own, count, also, milliseconds)) return;
        const pollfd *fds = own;
        if (want_input && (fds[0].revents & (POLLHUP | POLLERR)) != 0) {
            // Data may still be queued before the end: the next read that
            // finds none confirms the hang-up.
            hangup_seen_ = true;
            if (!is_tty_ && (fds[0].revents & POLLIN) == 0) peer_gone_ = true;
        }
        if (watch_output && out_ != in_ && (fds[count - 1].revents & (POLLERR | POLLHUP)) != 0) {
            output_gone_ = true;  // nobody reads what we write any more
        }
    }

private:
    // Polls the line's descriptors and the caller's in one call; false when
    // none is ready.
    static bool WaitTogether(pollfd *own, nfds_t count, std::span<pollfd> also, int milliseconds) {
        if (also.empty()) return poll(count > 0 ? own : nullptr, count, milliseconds) > 0;
        std::vector<pollfd> all(own, own + count);
        all.insert(all.end(), also.begin(), also.end());
        if (poll(all.data(), all.size(), milliseconds) <= 0) return false;
        std::copy(all.begin(), all.begin() + count, own);
        std::copy(all.begin() + count, all.end(), also.begin());
        return true;
    }

    // Whether the input descriptor reports a hang-up right now.
    bool HangUpPending() const {
        pollfd fd{in_, POLLIN, 0};
        return poll(&fd, 1, 0) == 1 && (fd.revents & POLLHUP) != 0;
    }

    bool PeerHungUp() {
        if (HangUpPending()) peer_gone_ = true;
        return peer_gone_;
    }

    bool SetModemBit(int bit, bool on) {
        if (!is_tty_) return NoSuchLine();
        return ioctl(out_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0;
    }

    static bool NoSuchLine() {
        errno = ENOTTY;
        return false;
    }
    int in_;
    int out_;
    bool exclusive_;
    bool is_tty_ = false;
    bool peer_gone_ = false;
    bool hangup_seen_ = false;  // the last wait saw POLLHUP or POLLERR on the input
    static constexpr unsigned kHangUpCheckInterval = 32;
    unsigned empty_reads_ = 0;
    bool output_gone_ = false;  // a separate output lost its reader, for good
#if defined(__linux__) && defined(TIOCGICOUNT)
    bool counters_supported_ = true;
    bool have_counters_ = false;
    serial_icounter_struct counters_{};
#endif
};

}  // namespace

std::unique_ptr<LineEndpoint> OpenTty(const std::string &path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    // A file, /dev/null or a pipe opened by name is no serial line; "fd:"
    // names are how descriptors of other kinds are used on purpose.
    if (isatty(fd) != 1) {
        close(fd);
        errno = ENOTTY;
        return nullptr;
    }
    // Another program holding the device (or another port of ours) has it
    // locked; the lock goes with the descriptor.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        close(fd);
        errno = error;
        return nullptr;
    }
    const bool exclusive = ioctl(fd, TIOCEXCL) == 0;
    return std::make_unique<TtyEndpoint>(fd, fd, exclusive);
}

std::unique_ptr<LineEndpoint> AdoptDescriptors(int input_fd, int output_fd) {
    const int in = fcntl(input_fd, F_DUPFD_CLOEXEC, 3);
    if (in < 0) return nullptr;
    int out = in;
    if (output_fd != input_fd) {
        out = fcntl(output_fd, F_DUPFD_CLOEXEC, 3);
        if (out < 0) {
            const int error = errno;
            close(in);
            errno = error;
            return nullptr;
        }
    }
    for (int fd : {in, out}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return std::make_unique<TtyEndpoint>(in, out);
}

}  // namespace portkit::posix
