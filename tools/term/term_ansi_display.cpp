#include "tools/term/term_ansi_display.h"

#include <cstdio>
#include <string>

#include "tools/term/byte_maps.h"
#include "tools/term/message_stream.h"
#include "tools/term/port_taps.h"

namespace portkit::tool {

EmulatorRecord *CreateTermEmulator(PortStructure *port, const DisplayOptions &options) {
    unsigned extended = options.utf8 ? ANSI_EXTENDED_UTF8 : ANSI_EXTENDED_CP437;
    if (options.live != nullptr && (options.live->imap & kMapLfCrLf) != 0) extended |= ANSI_EXTENDED_NEW_LINE;
    EmulatorRecord *record = CreateAnsiEmulatorExtended(port, extended);
    if (record == nullptr) std::fprintf(stderr, "portkit term: no memory for the terminal emulator\n");
    return record;
}

AnsiDisplay::AnsiDisplay(PortStructure *port, EmulatorRecord *record, const DisplayOptions &options)
    : port_(port), record_(record), command_key_(options.command_key) {
    record_->define_kbd_macro(record_, command_key_, nullptr);
    if (options.watch_zmodem) record_->define_incoming_cmd(record_, kZmodemStartText, kZmodemStartValue);
    // Only ENQ: what follows a DLE B in the same read would stay with the
    // emulator, out of the transfer's reach. A host greets with ENQ first.
    if (options.watch_bplus) record_->define_incoming_cmd(record_, kBPlusEnqText, kBPlusEnqValue);
    TapReceivedBytes(port, options.log);
    if (options.echo) {
        TapSentCharacters(port, [this](int c) {
            record_->put_char(record_->display, c);
            if (c == '\r') record_->put_char(record_->display, '\n');
        });
    }
    progress_ = OpenMessageStream([this](std::string_view text) { Show(text); });
}

AnsiDisplay::~AnsiDisplay() {
    CloseMessageStream(progress_);
    RemovePortTaps(port_);
    record_->destroy(record_);
}

Pumped AnsiDisplay::PumpReceived() {
    FollowLog(port_);
    const int before = record_->input_count;
    const int value = record_->process_input(record_);
    if (value != -1) return PumpedForCommand(value);
    // Text passes the command scanner; sequences do not, so a batch of
    // sequences alone shows as no text moved, which only costs a wait.
    return record_->input_count != before || port_->count > 0 ? Pumped::kMoved : Pumped::kNothing;
}

Pumped AnsiDisplay::PumpKeys() {
    const int key = record_->process_kbd(record_);
    if (key == command_key_) return Pumped::kCommandKey;
    return key == -1 ? Pumped::kNothing : Pumped::kMoved;
}

int AnsiDisplay::NextKey() {
    const int key = record_->read_key(record_);
    return key >= 0 && (key & 0xFF) != 0 ? (key & 0xFF) : -1;
}

void AnsiDisplay::DropTypedKeys() {
    while (record_->read_key(record_) >= 0) {
    }
}

void AnsiDisplay::SendByte(unsigned char byte) { PWWriteChar(port_, byte); }

void AnsiDisplay::Show(std::string_view text) {
    const std::string line(text);
    record_->put_string(record_->display, line.c_str());
}

// Where the emulator read the ZMODEM start rather than looking into the
// driver's queue (a logged session), it keeps the rest of that read for
// its next call; one call with an input mask of 0 uses it up, every
// character made a NUL, which neither draws nor moves the cursor. Local
// mode with no key keeps that call off the port when nothing was kept.
void AnsiDisplay::ForgetZmodemStart() {
    EmulatorRecord saved = *record_;
    record_->input_mask = 0;
    record_->read_key = [](EmulatorRecord *) { return -1; };
    record_->local_mode = 1;
    record_->process_input(record_);
    record_->input_mask = saved.input_mask;
    record_->read_key = saved.read_key;
    record_->local_mode = saved.local_mode;
}

}  // namespace portkit::tool
