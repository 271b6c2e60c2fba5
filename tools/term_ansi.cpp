// ANSI mode: the library's ANSI emulator draws the far end's screen on the
// console through the console backend, and its keyboard loop sends keys
// (arrows as ANSI sequences). The command key is a macro without text, so
// the keyboard loop hands it back to us.
#include <string>

#include "console_handles.h"
#include "message_stream.h"
#include "port_taps.h"
#include "portkit/screen.h"
#include "term_display.h"
#include "user_terminal.h"

namespace portkit::tool {
namespace {

class AnsiDisplay final : public TermDisplay {
public:
    AnsiDisplay(PortStructure *port, EmulatorRecord *record, const DisplayOptions &options)
        : port_(port), record_(record) {
        record_->define_kbd_macro(record_, kCommandKey, nullptr);
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

    ~AnsiDisplay() override {
        CloseMessageStream(progress_);
        RemovePortTaps(port_);
        record_->destroy(record_);
    }

    Pumped PumpReceived() override {
        const int before = record_->input_count;
        const int value = record_->process_input(record_);
        if (value != -1) return PumpedForCommand(value);
        // Text passes the command scanner; sequences do not, so a batch of
        // sequences alone shows as no text moved, which only costs a wait.
        return record_->input_count != before || port_->count > 0 ? Pumped::kMoved : Pumped::kNothing;
    }

    Pumped PumpKeys() override {
        const int key = record_->process_kbd(record_);
        if (key == kCommandKey) return Pumped::kCommandKey;
        return key == -1 ? Pumped::kNothing : Pumped::kMoved;
    }

    int NextKey() override {
        const int key = record_->read_key(record_);
        return key >= 0 && (key & 0xFF) != 0 ? (key & 0xFF) : -1;
    }

    void SendByte(unsigned char byte) override { PWWriteChar(port_, byte); }

    void Show(std::string_view text) override {
        const std::string line(text);
        record_->put_string(record_->display, line.c_str());
    }

    std::FILE *ProgressStream() override { return progress_; }

    bool SeesBPlusStart() const override { return false; }

    void WaitForActivity(int milliseconds) override { WaitForKey(milliseconds); }

    // The emulator keeps the rest of the read that held the ZMODEM start for
    // its next call; one call with drawing turned off uses it up. Local mode
    // with no key keeps that call off the port when nothing was kept.
    void ForgetZmodemStart() override {
        EmulatorRecord saved = *record_;
        record_->put_string = [](EmulatorHandle, const char *) {};
        record_->put_char = [](EmulatorHandle, int) {};
        record_->beep = [](EmulatorHandle) {};
        record_->read_key = [](EmulatorRecord *) { return -1; };
        record_->local_mode = 1;
        record_->process_input(record_);
        record_->put_string = saved.put_string;
        record_->put_char = saved.put_char;
        record_->beep = saved.beep;
        record_->read_key = saved.read_key;
        record_->local_mode = saved.local_mode;
    }

private:
    PortStructure *port_;
    EmulatorRecord *record_;
    std::FILE *progress_ = nullptr;
};

}  // namespace

std::unique_ptr<TermDisplay> MakeAnsiDisplay(PortStructure *port, const DisplayOptions &options) {
    ConsoleHandles handles{};
    if (!GetConsoleHandles(&handles)) return nullptr;
    EmulatorRecord *record = CreateAnsiConsoleEmulator(port, handles.input, handles.output);
    if (record == nullptr) {
        std::fprintf(stderr, "portkit term: no memory for the terminal emulator\n");
        return nullptr;
    }
    return std::make_unique<AnsiDisplay>(port, record, options);
}

}  // namespace portkit::tool
