// The ANSI emulator as the terminal's display: the library's emulator draws
// the far end's screen through a backend's display operations, and its
// keyboard loop sends keys (arrows as ANSI sequences). The command key is a
// macro without text, so the keyboard loop hands it back to us. The console
// and the terminal window differ only in the backend and the wait.
#ifndef PORTKIT_TOOLS_TERM_TERM_ANSI_DISPLAY_H
#define PORTKIT_TOOLS_TERM_TERM_ANSI_DISPLAY_H

#include "tools/term/term_display.h"

namespace portkit::tool {

// The emulator of --ansi and --window: the library's ANSI emulator in its
// extended mode, reading the character set the options say, with no
// backend yet; null, with the reason on stderr, when out of memory.
EmulatorRecord *CreateTermEmulator(PortStructure *port, const DisplayOptions &options);

class AnsiDisplay : public TermDisplay {
public:
    // Takes the record, with a backend attached, and destroys it at the end.
    AnsiDisplay(PortStructure *port, EmulatorRecord *record, const DisplayOptions &options);
    ~AnsiDisplay() override;

    Pumped PumpReceived() override;
    Pumped PumpKeys() override;
    int NextKey() override;
    void DropTypedKeys() override;
    void SendByte(unsigned char byte) override;
    void Show(std::string_view text) override;
    std::FILE *ProgressStream() override { return progress_; }
    bool SeesBPlusStart() const override { return false; }
    void ForgetZmodemStart() override;

protected:
    PortStructure *port() const { return port_; }
    EmulatorRecord *record() const { return record_; }

private:
    PortStructure *port_;
    EmulatorRecord *record_;
    unsigned char command_key_;
    std::FILE *progress_ = nullptr;
};

}  // namespace portkit::tool

#endif
