// The faces of `portkit term`: bytes passed straight through to the user's
// terminal, or the library's ANSI emulator drawing on the console or in a
// terminal window.
#ifndef PORTKIT_TOOLS_TERM_TERM_DISPLAY_H
#define PORTKIT_TOOLS_TERM_TERM_DISPLAY_H

#include <cstdio>
#include <memory>
#include <string_view>

#include "portkit/emulator.h"
#include "tools/term/session_log.h"
#include "tools/term/term_features.h"

namespace portkit::tool {

// What the far end sends to start a ZMODEM download: the ZRQINIT header
// after its two pads, which is 16 characters, as much as the emulator's
// incoming-command ring holds.
inline constexpr char kZmodemStartText[] =
    "\x18"
    "B00000000000000";
inline constexpr int kZmodemStartValue = 1;
// A CompuServe B+ host asks who we are with ENQ, and starts a packet with DLE B.
inline constexpr char kBPlusEnqText[] = "\x05";
inline constexpr int kBPlusEnqValue = 2;
inline constexpr char kBPlusStartText[] =
    "\x10"
    "B";
inline constexpr int kBPlusStartValue = 3;

enum class Pumped { kNothing, kMoved, kZmodemStart, kBPlusEnq, kBPlusStart, kCommandKey };

// What an incoming command's value means for the session.
inline Pumped PumpedForCommand(int value) {
    switch (value) {
        case kZmodemStartValue:
            return Pumped::kZmodemStart;
        case kBPlusEnqValue:
            return Pumped::kBPlusEnq;
        case kBPlusStartValue:
            return Pumped::kBPlusStart;
        default:
            return Pumped::kMoved;
    }
}

class TermDisplay {
public:
    virtual ~TermDisplay() = default;
    // Received bytes to the screen; kZmodemStart when the far end began a
    // ZMODEM send (watched for only when `watch_zmodem` was given).
    virtual Pumped PumpReceived() = 0;
    // Typed keys to the port; kCommandKey when the command key came (the
    // keys after it wait for NextKey).
    virtual Pumped PumpKeys() = 0;
    // One typed key's character, or -1 when none is waiting. Never waits.
    virtual int NextKey() = 0;
    // Forgets every key typed so far, keys without a character too.
    virtual void DropTypedKeys() {
        while (NextKey() != -1) {
        }
    }
    virtual void SendByte(unsigned char byte) = 0;
    // A message of the tool's own; '\n' ends a line.
    virtual void Show(std::string_view text) = 0;
    // Where a transfer's progress lines go while the terminal is up.
    virtual std::FILE *ProgressStream() = 0;
    // Whether a host's DLE B reaches the session as kBPlusStart.
    virtual bool SeesBPlusStart() const { return true; }
    // After a download the far end started: what followed its start in the
    // same read (the header's line end) is not shown.
    virtual void ForgetZmodemStart() {}
    // Waits a little for keys (the port is looked at again right after).
    virtual void WaitForActivity(int milliseconds) = 0;
    // True once the keyboard is gone for good (the user closed the window).
    virtual bool Closed() const { return false; }
};

struct DisplayOptions {
    bool echo = false;
    bool watch_zmodem = true;
    bool watch_bplus = true;
    SessionLog *log = nullptr;  // receives every byte from the port
    // Maps, hex view and timestamps as the session has them now, which the
    // pass-through display follows; the emulator takes none of them.
    const TermFeatures *live = nullptr;
    unsigned char command_key = kDefaultCommandKey;
    bool utf8 = false;  // the emulator reads UTF-8 rather than CP437
};

// Null, with the reason on stderr, when the terminal cannot be used.
std::unique_ptr<TermDisplay> MakePassThroughDisplay(PortStructure *port, const DisplayOptions &options);
std::unique_ptr<TermDisplay> MakeAnsiDisplay(PortStructure *port, const DisplayOptions &options);
// The ANSI emulator in a terminal window of `rows` x `cols` cells.
std::unique_ptr<TermDisplay> MakeWindowDisplay(PortStructure *port, const DisplayOptions &options, int rows, int cols);

}  // namespace portkit::tool

#endif
