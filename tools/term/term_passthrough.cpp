// Pass-through: the far end's bytes go to the user's terminal untouched, and
// the user's keys to the far end; the emulator core's plain loop carries
// the received bytes so its incoming commands can spot a ZMODEM start.
#include <chrono>
#include <cstdlib>
#include <string>

#include "portkit/timedio.h"
#include "tools/term/byte_maps.h"
#include "tools/term/message_stream.h"
#include "tools/term/paced_output.h"
#include "tools/term/port_taps.h"
#include "tools/term/received_view.h"
#include "tools/term/term_display.h"
#include "tools/term/user_terminal.h"
#include "tools/term/zmodem_screen_text.h"

namespace portkit::tool {
namespace {

constexpr int kKeyWriteTimeoutMs = 2000;
constexpr std::size_t kScreenBatch = 16384;

class PassThroughDisplay final : public TermDisplay {
public:
    PassThroughDisplay(PortStructure *port, const DisplayOptions &options)
        : port_(port),
          options_(options),
          paced_(options.live != nullptr ? options.live->output_delay_ms : 0,
                 options.live != nullptr ? options.live->line_delay_ms : 0) {
        record_ = static_cast<EmulatorRecord *>(std::calloc(1, sizeof(EmulatorRecord)));
        _InitializeEmulator(record_);
        record_->port = port;
        record_->display = this;
        record_->read_key = [](EmulatorRecord *) { return -1; };
        record_->put_char = [](EmulatorHandle self, int c) {
            static_cast<PassThroughDisplay *>(self)->screen_.push_back(static_cast<char>(c));
        };
        record_->put_string = [](EmulatorHandle self, const char *text) {
            static_cast<PassThroughDisplay *>(self)->screen_.append(text);
        };
        if (options.watch_zmodem) record_->define_incoming_cmd(record_, kZmodemStartText, kZmodemStartValue);
        if (options.watch_bplus) {
            record_->define_incoming_cmd(record_, kBPlusEnqText, kBPlusEnqValue);
            record_->define_incoming_cmd(record_, kBPlusStartText, kBPlusStartValue);
        }
        TapReceivedBytes(port, options.log);
        progress_ = OpenMessageStream([this](std::string_view text) { Show(text); });
    }

    ~PassThroughDisplay() override {
        CloseMessageStream(progress_);
        RemovePortTaps(port_);
        record_->destroy(record_);
        LeaveRawTerminal();
    }

    Pumped PumpReceived() override {
        // Several of the emulator's turns make one write: the user's
        // terminal draws one large write much sooner than many small ones.
        FollowLog(port_);
        int value = -1;
        for (std::size_t before = 0; value == -1 && screen_.size() < kScreenBatch; before = screen_.size()) {
            value = record_->process_input(record_);
            if (screen_.size() == before) break;
        }
        const bool moved = !screen_.empty();
        WriteScreen(Rendered(TakeShownBytes(value == kZmodemStartValue)));
        if (value != -1) return PumpedForCommand(value);
        return moved ? Pumped::kMoved : Pumped::kNothing;
    }

    void ForgetZmodemStart() override {
        trail_.Arm();
        trail_until_ = std::chrono::steady_clock::now() + kTrailWait;
    }

    Pumped PumpKeys() override {
        if (pending_.empty()) {
            char bytes[256];
            pending_.assign(bytes, ReadKeyBytes(bytes, sizeof bytes));
        }
        const bool sent = SendDue();
        if (pending_.empty()) return sent ? Pumped::kMoved : Pumped::kNothing;
        const std::size_t command = pending_.find(static_cast<char>(options_.command_key));
        paced_.Push(ApplyByteMaps(pending_.substr(0, command), options_.live != nullptr ? options_.live->omap : 0));
        pending_.erase(0, command == std::string::npos ? pending_.size() : command + 1);
        SendDue();
        return command == std::string::npos ? Pumped::kMoved : Pumped::kCommandKey;
    }

    int NextKey() override {
        if (pending_.empty()) {
            char bytes[256];
            pending_.assign(bytes, ReadKeyBytes(bytes, sizeof bytes));
        }
        if (pending_.empty()) return -1;
        const auto key = static_cast<unsigned char>(pending_.front());
        pending_.erase(0, 1);
        return key;
    }

    void SendByte(unsigned char byte) override { SendBytes(std::string(1, static_cast<char>(byte))); }

    void Show(std::string_view text) override {
        // Raw output: a line ends with CR LF.
        std::string lines;
        for (char c : text) {
            if (c == '\n') lines.push_back('\r');
            lines.push_back(c);
        }
        WriteScreen(lines);
        if (!text.empty() && text.back() == '\n') view_.LineBroken();
    }

    std::FILE *ProgressStream() override { return progress_; }

    void WaitForActivity(int milliseconds) override {
        if (pending_.empty()) WaitForKeyOrPort(port_, milliseconds);
    }

private:
    // How long after a transfer, or after the last of its trail, headers
    // still count as its trail.
    static constexpr std::chrono::milliseconds kTrailWait{1500};

    // The received bytes of this pump that are for the screen: none of a
    // ZMODEM start or of the trail after a transfer. What may begin a start
    // header waits for the next pump, which shows it when nothing more came.
    std::string TakeShownBytes(bool zmodem_started) {
        std::string bytes = held_ + screen_;
        held_.clear();
        const bool more = !screen_.empty();
        screen_.clear();
        if (options_.watch_zmodem && (more || zmodem_started)) {
            const std::size_t start = ZmodemHeaderStartLength(bytes);
            if (!zmodem_started) held_ = bytes.substr(bytes.size() - start);
            bytes.resize(bytes.size() - start);
        }
        if (!trail_.Armed() || bytes.empty()) return bytes;
        const auto now = std::chrono::steady_clock::now();
        if (now > trail_until_) {
            trail_.Disarm();
            return bytes;
        }
        std::string shown = trail_.Filter(bytes);
        if (shown.empty()) trail_until_ = now + kTrailWait;
        return shown;
    }

    // Received bytes as the session shows them now: mapped, then in hex or
    // with timestamps.
    std::string Rendered(const std::string &bytes) {
        const TermFeatures *live = options_.live;
        if (live == nullptr) return bytes;
        view_.hex = live->hex;
        view_.timestamps = live->timestamps;
        return view_.Render(ApplyByteMaps(bytes, live->imap));
    }

    // What the pacing lets go now; true when anything went.
    bool SendDue() {
        if (paced_.Empty()) return false;
        const std::string due = paced_.TakeDue(PacedOutput::Clock::now());
        SendBytes(due);
        return !due.empty();
    }

    void SendBytes(const std::string &bytes) {
        if (bytes.empty()) return;
        WriteBufferTimed(port_, bytes.data(), static_cast<unsigned>(bytes.size()), kKeyWriteTimeoutMs);
        if (options_.echo) Echo(bytes);
    }

    // Typed Enter shows as a new line, as the far end's echo would.
    void Echo(const std::string &bytes) {
        std::string shown;
        for (char c : bytes) shown += c == '\r' ? std::string("\r\n") : std::string(1, c);
        WriteScreen(shown);
    }

    PortStructure *port_;
    DisplayOptions options_;
    EmulatorRecord *record_ = nullptr;
    std::string screen_;   // received bytes on their way to the screen
    std::string pending_;  // typed bytes not yet taken
    PacedOutput paced_;    // typed bytes on their way out
    ReceivedView view_;
    std::string held_;  // received bytes that may begin a ZMODEM start
    ZmodemTrailFilter trail_;
    std::chrono::steady_clock::time_point trail_until_{};
    std::FILE *progress_ = nullptr;
};

}  // namespace

std::unique_ptr<TermDisplay> MakePassThroughDisplay(PortStructure *port, const DisplayOptions &options) {
    if (!EnterRawTerminal()) {
        std::fprintf(stderr, "portkit term: standard input is not a terminal\n");
        return nullptr;
    }
    return std::make_unique<PassThroughDisplay>(port, options);
}

}  // namespace portkit::tool
