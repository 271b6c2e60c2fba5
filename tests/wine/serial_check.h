// serial_check: checks of the Windows serial driver through portkit.dll,
// run under Wine on a COM port that is one end of a pty pair. The shell
// script on the other end feeds, stalls and reads the line; this program
// says what it saw, one line per check.
#ifndef PORTKIT_TESTS_WINE_SERIAL_CHECK_H
#define PORTKIT_TESTS_WINE_SERIAL_CHECK_H

#include <cstddef>
#include <string>
#include <vector>

#include "portkit/portkit.h"

namespace serial_check {

// One line each: "ok: NAME", "FAIL: NAME: WHY" or "skipped: NAME: WHY".
void Ok(const std::string &name);
void Fail(const std::string &name, const std::string &why);
void Skip(const std::string &name, const std::string &why);
// "note: TEXT", for figures that pass or fail nothing.
void Note(const std::string &text);
bool AnyFailed();
// printf of up to three numbers, for the reasons above.
std::string Printed(const char *format, long a, long b = 0, long c = 0);

std::vector<char> ReadWholeFile(const char *path);
bool WriteWholeFile(const char *path, const char *data, std::size_t size);

// The far end waits for this byte before it writes, so nothing it sends
// can reach the port before the port is open.
bool SayReady(PortStructure *port);
// The far end sends 'K' once it has read all it expects; the port stays
// open until then, so no output still on its way is cut off by the close.
bool AwaitAck(PortStructure *port, int timeout_ms);

// The commands; each takes its own arguments and reports through Ok/Fail.
void StalledWrite(PortStructure *port, const std::vector<std::string> &args);
void ReusedBuffer(PortStructure *port, const std::vector<std::string> &args);
void WriteTimeout(PortStructure *port, const std::vector<std::string> &args);
void ReadIntoFile(PortStructure *port, const std::vector<std::string> &args);
void ReadPieces(PortStructure *port, const std::vector<std::string> &args);
void ReadStrings(PortStructure *port, const std::vector<std::string> &args);
void HangupRead(PortStructure *port, const std::vector<std::string> &args);
void QueueCounts(PortStructure *port, const std::vector<std::string> &args);
void LineSettings(PortStructure *port, const std::vector<std::string> &args);

}  // namespace serial_check

#endif
