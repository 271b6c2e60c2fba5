// ser2net (4.3) in front of a pty line, for the network ports' tests: an
// RFC 2217 Telnet accepter and a raw TCP accepter on 127.0.0.1, both serving
// the near end of a relayed pty pair (the "device"); the test, or a peer
// program, works the far end (the "line").
//
// How ser2net 4.3.11 behaves there, as observed:
// - On connecting, the Telnet accepter sends WILL SGA, DO SGA, WILL ECHO,
//   DONT ECHO, DO BINARY, WILL BINARY, DO COM-PORT-OPTION (44), and no
//   banner. After the client's WILL 44 it sends NOTIFY-MODEMSTATE 0 once; a
//   pty has no modem lines, so no further notifications come. After DONT 44
//   it says WONT 44 but still answers COM-PORT commands.
// - SET-BAUDRATE, -DATASIZE, -PARITY, -STOPSIZE are answered (code + 100)
//   with the value asked for; value 0 asks, answered with the last one set.
//   Any rate is taken (BOTHER for unlisted ones: `stty` shows those as 0,
//   termios2 the rate). A Linux pty keeps the speed and CSTOPB but forces
//   CS8 and no parity, so DATASIZE 7 / PARITY EVEN are answered 7 / 3 while
//   the device stays 8N. SET-CONTROL XON/XOFF sets IXOFF; RTS/CTS is answered
//   3 but CRTSCTS does not show; DTR and RTS commands get no answer at all.
//   The break state answered is no guide on a pty (5 after a BREAK-OFF, and
//   at times before any BREAK-ON); IAC BRK gets no answer. Break, modem
//   lines and flow-control suspends belong to ScriptedTelnetServer's tests.
// - PURGE-DATA is answered with its own value; the masks (SET-LINESTATE-MASK,
//   SET-MODEMSTATE-MASK) with 0 whatever was asked; SIGNATURE with "ser2net".
//   FLOWCONTROL-SUSPEND and -RESUME are answered as SET-CONTROL 1, and the
//   device's bytes keep coming while suspended.
// - In binary mode all 256 values pass both ways (IAC doubled on the Telnet
//   accepter), CR NUL and CR LF unchanged; the raw accepter adds nothing.
// - The device is opened when a client connects and closed when it leaves.
//   Both accepters share it: a client of one while the other has a client is
//   told "Port's device already in use\r\n" and closed (rarely also just
//   after the other's client left). That is why readiness is read from /proc
//   and not tried with connections. A second client of the same accepter
//   displaces the first (kickolduser), which reads end of stream.
// - Killed, its clients read end of stream; it binds the same ports again
//   at once on a restart. SIGTERM ends it within milliseconds.
#ifndef PORTKIT_TESTS_SUPPORT_SER2NET_SERVER_H
#define PORTKIT_TESTS_SUPPORT_SER2NET_SERVER_H

#include <sys/types.h>

#include <string>

#include "support/noisy_relay.h"
#include "support/scratch_files.h"

namespace portkit::test {

struct Ser2netOptions {
    unsigned speed = 115200;      // the device's speed until a client sets one
    std::string framing = "N81";  // parity, data bits, stop bits
    unsigned noise_one_in = 0;    // the line's noise (see NoisyRelay); 0: clean
    unsigned noise_seed = 0;
};

class Ser2netServer {
public:
    // Starts the server and returns once both accepters listen; throws when
    // ser2net (scripts/install-deps.sh) is missing or does not come up
    // within a few seconds.
    explicit Ser2netServer(const Ser2netOptions &options = {});
    ~Ser2netServer();
    Ser2netServer(const Ser2netServer &) = delete;
    Ser2netServer &operator=(const Ser2netServer &) = delete;

    std::string rfc2217_url() const;  // "rfc2217://127.0.0.1:N"
    std::string tcp_url() const;      // "tcp://127.0.0.1:M"
    unsigned rfc2217_port() const { return rfc2217_port_; }
    unsigned tcp_port() const { return tcp_port_; }

    // The tty ser2net opens, for reading back what a client set on it.
    const std::string &device_path() const { return line_.near_path(); }
    unsigned DeviceSpeed() const;
    // The other end: the test's, or a peer's through line().FarCommand().
    const std::string &line_path() const { return line_.far_path(); }
    NoisyRelay &line() { return line_; }

    // The test's own reads and writes on the line's end; not while a peer
    // program works it too.
    std::string ReadLine(std::size_t count, int timeout_ms = 2000) const;
    void WriteLine(const std::string &bytes) const;

    // Ends the server with SIGTERM (SIGKILL after 2 s) or at once with
    // SIGKILL; its clients see their connections end.
    void Stop();
    void Kill();
    // Starts it again on the same ports and waits until it listens.
    void Restart();
    bool running() const { return pid_ > 0; }
    // What ser2net reported on standard output and error.
    std::string Log() const;

private:
    bool Start();
    bool WaitUntilListening(int timeout_ms);
    void End(int signal_number, int grace_ms);
    void WriteConfiguration() const;

    Ser2netOptions options_;
    TempDirectory directory_;
    NoisyRelay line_;
    int line_fd_ = -1;
    unsigned rfc2217_port_ = 0;
    unsigned tcp_port_ = 0;
    pid_t pid_ = -1;
};

}  // namespace portkit::test

#endif
