#include "platform/posix/console/console_registry.h"
#include "platform/platform.h"

#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/posix/console/console_terminal_guard.h"

namespace portkit::posix {

namespace {

constexpr int kMaxSlots = 8;
constexpr int kDefaultRows = 24, kDefaultCols = 80;
constexpr int kLargestSide = 2000;  // keeps the model's size sane whatever the terminal claims

// Never destroyed: exit handlers may still run after static destructors.
std::array<ConsoleSlot, kMaxSlots> &Slots() {
    static auto *slots = new std::array<ConsoleSlot, kMaxSlots>;
    return *slots;
}

ConsoleSlot *SlotFor(int fd) {
    if (ConsoleSlot *found = FindSlot(fd)) return found;
    for (ConsoleSlot &slot : Slots()) {
        if (slot.fd < 0) {
            slot.fd = fd;
            return &slot;
        }
    }
    return nullptr;
}

bool ReadWindowSize(int fd, int *rows, int *cols) {
    winsize size{};
    // A pty nobody has sized reports 0 by 0.
    if (ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0) return false;
    *rows = std::min<int>(size.ws_row, kLargestSide);
    *cols = std::min<int>(size.ws_col, kLargestSide);
    return true;
}

bool NameSaysUtf8(const char *name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower.find("utf-8") != std::string::npos || lower.find("utf8") != std::string::npos;
}

// The character set of the user's locale, read without changing the
// program's own locale.
GlyphSet DetectGlyphSet() {
    if (locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr))) {
        const bool utf8 = NameSaysUtf8(nl_langinfo_l(CODESET, locale));
        freelocale(locale);
        return utf8 ? GlyphSet::kUtf8 : GlyphSet::kSingleByte;
    }
    // A locale that is named but not installed: go by its name.
    for (const char *variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char *value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return NameSaysUtf8(value) ? GlyphSet::kUtf8 : GlyphSet::kSingleByte;
    }
    return GlyphSet::kSingleByte;
}

GlyphSet TerminalGlyphSet() {
    static const GlyphSet glyphs = DetectGlyphSet();
    return glyphs;
}

// The size a window-size event reports for a key queue: its terminal's, or
// else that of a screen drawn on.
win32_imitation::COORD EventSize(int fd) {
    int rows = kDefaultRows, cols = kDefaultCols;
    if (!ReadWindowSize(fd, &rows, &cols)) {
        for (const ConsoleSlot &slot : Slots()) {
            if (slot.screen == nullptr) continue;
            rows = slot.screen->rows();
            cols = slot.screen->cols();
            break;
        }
    }
    return {static_cast<win32_imitation::SHORT>(cols), static_cast<win32_imitation::SHORT>(rows)};
}

void QueueResizeEvent(ConsoleSlot &slot) {
    win32_imitation::INPUT_RECORD event{};
    event.EventType = win32_imitation::WINDOW_BUFFER_SIZE_EVENT;
    event.Event.WindowBufferSizeEvent.dwSize = EventSize(slot.fd);
    slot.input->events.push_back(event);
}

bool WaitUntilWritable(int fd) {
    pollfd writable{fd, POLLOUT, 0};
    if (poll(&writable, 1, -1) < 0) return errno == EINTR;
    return (writable.revents & (POLLERR | POLLHUP | POLLNVAL)) == 0;
}

}  // namespace

int DescriptorOf(win32_imitation::HANDLE handle) {
    const auto value = reinterpret_cast<std::intptr_t>(handle);
    return value >= 0 && value <= INT_MAX ? static_cast<int>(value) : -1;
}

ConsoleSlot *FindSlot(int fd) {
    if (fd < 0) return nullptr;
    for (ConsoleSlot &slot : Slots()) {
        if (slot.fd == fd) return &slot;
    }
    return nullptr;
}

ConsoleSlot *ScreenSlot(int fd) {
    ServiceTerminalSignals();
    ConsoleSlot *slot = SlotFor(fd);
    if (slot == nullptr) return nullptr;
    if (slot->screen == nullptr) {
        int rows = kDefaultRows, cols = kDefaultCols;
        ReadWindowSize(fd, &rows, &cols);
        slot->screen = std::make_unique<ConsoleScreen>(rows, cols, TerminalGlyphSet());
        slot->screen->Start(slot->out);
        GuardTerminalOutput(fd);
    }
    return slot;
}

ConsoleSlot *InputSlot(int fd) {
    ServiceTerminalSignals();
    ConsoleSlot *slot = SlotFor(fd);
    if (slot != nullptr && slot->input == nullptr) slot->input = std::make_unique<ConsoleInput>();
    return slot;
}

namespace {

int output_holds = 0;
// A batch larger than this goes out at once, held or not.
constexpr std::size_t kHeldOutputLimit = 64 * 1024;

}  // namespace

bool SendOutput(ConsoleSlot &slot) {
    if (output_holds > 0 && slot.out.size() < kHeldOutputLimit) return true;
    const char *next = slot.out.data();
    std::size_t left = slot.out.size();
    bool sent = true;
    while (left > 0) {
        const ssize_t n = write(slot.fd, next, left);
        if (n > 0) {
            next += n;
            left -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitUntilWritable(slot.fd)) {
            continue;
        } else {
            sent = false;  // hung up, closed, or not a descriptor
            break;
        }
    }
    slot.out.clear();
    return sent;
}

void ServiceTerminalSignals() {
    const bool resized = TakeResizeRequest();
    const bool repaint = TakeRepaintRequest();
    if (!resized && !repaint) return;
    for (ConsoleSlot &slot : Slots()) {
        if (slot.screen == nullptr) continue;
        ConsoleScreen &screen = *slot.screen;
        int rows = screen.rows(), cols = screen.cols();
        const bool new_size =
            resized && ReadWindowSize(slot.fd, &rows, &cols) && (rows != screen.rows() || cols != screen.cols());
        if (new_size)
            screen.Resize(rows, cols, slot.out);
        else if (repaint)
            screen.Repaint(slot.out);
        SendOutput(slot);
    }
    if (!resized) return;
    for (ConsoleSlot &slot : Slots()) {
        if (slot.input != nullptr) QueueResizeEvent(slot);
    }
}

void ShowCursors() {
    for (ConsoleSlot &slot : Slots()) {
        if (slot.screen == nullptr) continue;
        slot.screen->ShowCursor(slot.out);
        SendOutput(slot);
    }
}

void ReleaseConsole(int fd) {
    if (ConsoleSlot *slot = FindSlot(fd)) *slot = ConsoleSlot{};
    ReleaseTerminal(fd);
}

}  // namespace portkit::posix

namespace portkit::platform {

void HoldConsoleOutput(bool hold) {
    if (hold) {
        ++posix::output_holds;
        return;
    }
    if (posix::output_holds > 0 && --posix::output_holds > 0) return;
    for (posix::ConsoleSlot &slot : posix::Slots()) {
        if (!slot.out.empty()) posix::SendOutput(slot);
    }
}

}  // namespace portkit::platform
