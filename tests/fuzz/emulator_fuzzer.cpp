// The emulator on a stream of operations: received byte runs, incoming
// commands and keyboard macros defined and removed, typed keys, local mode,
// the input mask and debug messages, in any order. The first bytes choose
// the display (the recording display, the terminal window's model or the
// console backend on its screen model), the emulator (ANSI, its extended
// mode on CP437 or UTF-8, or the plain loop) and the screen's size. Besides the sanitizers, the core is held to
// its rules: every value the input loop returns is a defined command's
// (the plain loop's exactly the one its characters complete), and the
// keyboard loop sends and returns what the macros say.
#include <fcntl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>

#include "emulator_line.h"
#include "emulator_model.h"
#include "platform/posix/console/console_registry.h"
#include "portkit/dsterm.h"
#include "portkit/screen.h"
#include "screen/terminal_window/dsterm_registry.h"
#include "support/recording_display.h"

namespace {

using portkit::fuzz::EmulatorLine;
using portkit::fuzz::IncomingModel;
using portkit::fuzz::KeyboardModel;

[[noreturn]] void Fault(const char *what, long expected, long got) {
    std::fprintf(stderr, "emulator fuzzer: %s: expected %ld, got %ld\n", what, expected, got);
    std::abort();
}

void Expect(const char *what, long expected, long got) {
    if (expected != got) Fault(what, expected, got);
}

// The fuzz input, read from the front; zeros once it is used up.
class Input {
public:
    Input(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    bool Left() const { return next_ < size_; }
    int Byte() { return next_ < size_ ? data_[next_++] : 0; }
    std::string Text(std::size_t length) {
        std::string text;
        while (text.size() < length && Left()) text += static_cast<char>(Byte());
        return text;
    }
    // A character key (1 to 255, or 0) or a key code over 255.
    int Key() {
        const int low = Byte(), high = Byte();
        return (high & 0x80) != 0 ? low : (high & 0x7F) << 8 | low;
    }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t next_ = 0;
};

// Cells drawn by the terminal window's model must lie on its grid.
class GridSurface : public portkit::screen::DSTermSurface {
public:
    GridSurface(int rows, int cols) : rows_(rows), cols_(cols) {}
    void DrawRun(const portkit::screen::CellRun &run) override {
        if (run.row < 0 || run.row >= rows_) Fault("a run's row on a grid of that many", rows_, run.row);
        if (run.column < 0 || run.length <= 0 || run.column + run.length > cols_) {
            Fault("a run's end on a grid of that many columns", cols_, run.column + run.length);
        }
    }
    void ScrollUp(const portkit::screen::PixelRect &, int) override {}
    void ShowCaret(const portkit::screen::PixelRect &) override {}
    void HideCaret() override {}
    void Beep() override {}
    void StartBlinkTimer(int) override {}
    void StopBlinkTimer() override {}
    void Invalidate(const portkit::screen::PixelRect &) override {}

private:
    int rows_, cols_;
};

int DSTermInstance() {
    static int tag;
    static const int instance = portkit::screen::ClaimDSTermInstance(&tag);
    return instance;
}

// The console backend draws on its screen model and sends the terminal's
// bytes to /dev/null.
int ConsoleDescriptor(int flags) {
    const int fd = open("/dev/null", flags);
    if (fd < 0) Fault("opening /dev/null", 0, fd);
    return fd;
}
int ConsoleInput() {
    static const int fd = ConsoleDescriptor(O_RDONLY);
    return fd;
}
int ConsoleOutput() {
    static const int fd = ConsoleDescriptor(O_WRONLY);
    return fd;
}
EmulatorHandle ConsoleHandle(int fd) { return reinterpret_cast<EmulatorHandle>(static_cast<std::intptr_t>(fd)); }

enum class DisplayKind { kRecording, kTerminalWindow, kConsole };

class Session {
public:
    Session(Input &input) : input_(input) {
        const int choice = input.Byte();
        kind_ = static_cast<DisplayKind>(choice % 3);
        plain_ = (choice / 3) % 2 != 0;
        const int mode = (choice / 6) % 3;  // ordinary, extended CP437, extended UTF-8
        extended_ = !plain_ && mode != 0;
        rows_ = 1 + input.Byte() % 40;
        cols_ = 1 + input.Byte() % 140;
        if (plain_) {
            record_ = static_cast<EmulatorRecord *>(std::calloc(1, sizeof(EmulatorRecord)));
            _InitializeEmulator(record_);
            record_->port = line_.port();
        } else if (extended_) {
            // Its keys change with the far end's modes: the keyboard loop
            // runs, unchecked (keyboard_ stays empty).
            record_ = CreateAnsiEmulatorExtended(line_.port(), mode == 2 ? ANSI_EXTENDED_UTF8 : ANSI_EXTENDED_CP437);
        } else {
            record_ = CreateAnsiEmulator(line_.port());
            keyboard_.Define(PORTKIT_KEY_UP, "\x1b[A");
            keyboard_.Define(PORTKIT_KEY_DOWN, "\x1b[B");
            keyboard_.Define(PORTKIT_KEY_RIGHT, "\x1b[C");
            keyboard_.Define(PORTKIT_KEY_LEFT, "\x1b[D");
        }
        Attach();
        current_ = this;
    }

    ~Session() {
        record_->destroy(record_);
        if (window_ != nullptr) portkit::screen::CloseDSTermWindow(window_.get());
        if (kind_ == DisplayKind::kConsole) {
            portkit::posix::ReleaseConsole(ConsoleOutput());
            portkit::posix::ReleaseConsole(ConsoleInput());
        }
        current_ = nullptr;
    }

    void Run() {
        while (input_.Left()) Step(input_.Byte());
        Expect("a read left in the line", 0, static_cast<long>(PumpInput()));
    }

private:
    void Attach() {
        switch (kind_) {
            case DisplayKind::kRecording:
                recording_.rows = rows_;
                recording_.cols = cols_;
                recording_.AttachTo(record_);
                break;
            case DisplayKind::kTerminalWindow:
                surface_ = std::make_unique<GridSurface>(rows_, cols_);
                window_ = std::make_unique<portkit::screen::DSTermModel>(
                    *surface_, &window_tag_, portkit::screen::CellMetrics{7, 12, 0}, rows_, cols_);
                portkit::screen::OpenDSTermWindow(window_.get(), DSTermInstance());
                AttachDSTermToEmulator(record_, &window_tag_);
                break;
            case DisplayKind::kConsole:
                AttachConsoleToEmulator(record_, ConsoleHandle(ConsoleInput()), ConsoleHandle(ConsoleOutput()));
                break;
        }
        // Keys come from the fuzz input on every display.
        record_->read_key = [](EmulatorRecord *) {
            std::deque<int> &keys = current_->keys_;
            if (keys.empty()) return -1;
            const int key = keys.front();
            keys.pop_front();
            return key;
        };
    }

    void Step(int op) {
        const int arg = op / 8;
        switch (op % 8) {
            case 0:
            case 1: {
                const std::size_t length = arg < 31 ? static_cast<std::size_t>(arg) + 1 : 32 + 4u * input_.Byte();
                const std::string run = input_.Text(length);
                line_.Receive(reinterpret_cast<const std::uint8_t *>(run.data()), run.size());
                PumpInput();
                break;
            }
            case 2: {
                const std::string text = input_.Text(static_cast<std::size_t>(arg)).c_str();
                const int value = input_.Byte();
                Expect("defining a command", incoming_.Define(text, value),
                       record_->define_incoming_cmd(record_, text.c_str(), value));
                break;
            }
            case 3: {
                const std::string *known = incoming_.TextAt(static_cast<std::size_t>(arg / 2));
                const std::string text = arg % 2 == 0 && known != nullptr ? *known : input_.Text(arg / 2).c_str();
                Expect("removing a command", incoming_.Undefine(text),
                       record_->undefine_incoming_cmd(record_, text.c_str()));
                break;
            }
            case 4: {
                const int key = input_.Key();
                const std::string text = input_.Text(static_cast<std::size_t>(arg)).c_str();
                const char *given = arg == 31 ? nullptr : text.c_str();
                keyboard_.Define(key, given);
                Expect("defining a macro", PORTKIT_SUCCESS, record_->define_kbd_macro(record_, key, given));
                break;
            }
            case 5: {
                const int *known = keyboard_.KeyAt(static_cast<std::size_t>(arg / 2));
                const int key = arg % 2 == 0 && known != nullptr ? *known : input_.Key();
                const int model = keyboard_.Undefine(key), removed = record_->undefine_kbd_macro(record_, key);
                if (!extended_) Expect("removing a macro", model, removed);
                break;
            }
            case 6:
                for (int i = 0; i <= arg; ++i) keys_.push_back(input_.Key());
                PumpKeyboard();
                break;
            default:
                Modes(arg);
                break;
        }
        recording_.calls.clear();
    }

    void Modes(int arg) {
        if ((arg & 1) != 0) record_->local_mode = record_->local_mode != 0 ? 0 : 1;
        if ((arg & 2) != 0) record_->input_mask = input_.Byte();
        if ((arg & 4) != 0)
            _EmulatorDebugMessage(record_, "%s", input_.Text(static_cast<std::size_t>(input_.Byte())).c_str());
        if ((arg & 8) != 0 && window_ != nullptr) {
            portkit::screen::DSTermBlinkTick(DSTermInstance());
            window_->Paint({0, 0, 7 * cols_, 12 * rows_});
        }
        if ((arg & 16) != 0) PumpInput();
    }

    // Runs the input loop until it has taken what it can; returns how many
    // received characters are left unread.
    std::size_t PumpInput() {
        // A call may take only what the ANSI emulator kept after a command;
        // the next must read the line.
        bool stalled = false;
        for (;;) {
            const bool local = record_->local_mode != 0;
            const std::size_t unread = line_.Unread().size(), keys = keys_.size();
            int expected = -1;
            std::size_t taken = 0;
            if (plain_) ExpectPlainInput(local, expected, taken);
            const int result = record_->process_input(record_);
            if (plain_) {
                Expect("the plain loop's result", expected, result);
                Expect("characters the plain loop took", static_cast<long>(taken),
                       static_cast<long>(local ? keys - keys_.size() : unread - line_.Unread().size()));
            } else if (result != -1 && !incoming_.IsValue(result)) {
                Fault("a value no command has", -1, result);
            }
            line_.TakeSent();
            if (result == -1 && (local || line_.Unread().empty())) break;
            const bool no_progress = result == -1 && line_.Unread().size() == unread;
            if (no_progress && stalled) Fault("received characters the loop leaves", 0, static_cast<long>(unread));
            stalled = no_progress;
        }
        return record_->local_mode != 0 ? 0 : line_.Unread().size();
    }

    // What the plain loop must return, and how many characters it takes.
    void ExpectPlainInput(bool local, int &expected, std::size_t &taken) {
        const std::string_view unread = line_.Unread();
        constexpr std::size_t kPerCall = 250;
        for (; taken < kPerCall;) {
            int c;
            if (local) {
                if (taken == keys_.size()) return;
                c = keys_[taken];
            } else {
                if (taken == unread.size()) return;
                c = static_cast<unsigned char>(unread[taken]);
            }
            ++taken;
            if (c < 0) return;  // read_key's -1 never comes from the queue
            expected = incoming_.Scan(static_cast<unsigned char>(c));
            if (expected != -1) return;
        }
    }

    void PumpKeyboard() {
        for (int turn = 0; turn < 64 && extended_; ++turn) {
            const int result = record_->process_kbd(record_);
            line_.TakeSent();
            if (result == -1 && (record_->local_mode != 0 || keys_.empty())) return;
        }
        for (int turn = 0; turn < 64 && !extended_; ++turn) {
            const bool local = record_->local_mode != 0;
            const KeyboardModel::Outcome outcome = keyboard_.Process(keys_, local);
            const std::size_t keys = keys_.size();
            const int result = record_->process_kbd(record_);
            Expect("the keyboard loop's result", outcome.result, result);
            Expect("keys the keyboard loop took", static_cast<long>(outcome.keys_taken),
                   static_cast<long>(keys - keys_.size()));
            const std::vector<int> sent = line_.TakeSent();
            Expect("characters the keyboard loop sent", static_cast<long>(outcome.sent.size()),
                   static_cast<long>(sent.size()));
            for (std::size_t i = 0; i < sent.size(); ++i)
                Expect("a character the keyboard loop sent", outcome.sent[i], sent[i]);
            if (result == -1 && outcome.sent.size() < 64 && (local || keys_.empty())) break;
        }
    }

    static inline Session *current_ = nullptr;
    Input &input_;
    DisplayKind kind_;
    bool plain_;
    bool extended_;
    int rows_, cols_;
    EmulatorLine line_;
    EmulatorRecord *record_ = nullptr;
    std::deque<int> keys_;
    IncomingModel incoming_;
    KeyboardModel keyboard_;
    portkit::test::RecordingDisplay recording_;
    std::unique_ptr<GridSurface> surface_;
    std::unique_ptr<portkit::screen::DSTermModel> window_;
    int window_tag_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    Input input(data, size);
    Session session(input);
    session.Run();
    return 0;
}
