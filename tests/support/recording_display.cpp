// The recording display's operations.
#include "support/recording_display.h"

#include <cstdio>

namespace portkit::test {
namespace {

RecordingDisplay &Of(EmulatorHandle display) { return *static_cast<RecordingDisplay *>(display); }

void Log(EmulatorHandle display, const std::string &line) { Of(display).calls.push_back(line); }

void Log(EmulatorHandle display, const char *name, int value) {
    std::string line(name);
    line += ' ';
    line += std::to_string(value);
    Log(display, line);
}

int ReadKey(EmulatorRecord *record) {
    RecordingDisplay &screen = Of(record->display);
    ++screen.keys_read;
    if (screen.keys.empty()) return -1;
    const int key = screen.keys.front();
    screen.keys.pop_front();
    return key;
}

void GotoXY(EmulatorHandle display, int row, int col) {
    Log(display, "goto_xy " + std::to_string(row) + " " + std::to_string(col));
    RecordingDisplay &screen = Of(display);
    // Like the backends, a place off the screen leaves the cursor.
    if (row < 0 || row >= screen.rows || col < 0 || col >= screen.cols) return;
    screen.row = row;
    screen.col = col;
}

}  // namespace

void RecordingDisplay::AttachTo(EmulatorRecord *record) {
    using D = EmulatorHandle;
    record->display = this;
    record->read_key = ReadKey;
    record->clear_window = [](D d) { Log(d, "clear_window"); };
    record->clear_to_eol = [](D d) { Log(d, "clear_to_eol"); };
    record->goto_xy = GotoXY;
    record->put_char = [](D d, int c) { Log(d, "put_char", c); };
    record->put_string = [](D d, const char *text) { Log(d, "put_string " + Quoted(text)); };
    record->set_normal = [](D d) { Log(d, "set_normal"); };
    record->set_reverse = [](D d) { Log(d, "set_reverse"); };
    record->set_bold = [](D d) { Log(d, "set_bold"); };
    record->set_blink = [](D d) { Log(d, "set_blink"); };
    record->set_underline = [](D d) { Log(d, "set_underline"); };
    record->set_invisible = [](D d) { Log(d, "set_invisible"); };
    record->set_foreground = [](D d, int colour) { Log(d, "set_foreground", colour); };
    record->set_background = [](D d, int colour) { Log(d, "set_background", colour); };
    record->set_wrap = [](D d, int on) { Log(d, "set_wrap", on); };
    record->beep = [](D d) { Log(d, "beep"); };
    record->current_row = [](D d) { return Of(d).row; };
    record->current_col = [](D d) { return Of(d).col; };
    record->rows = [](D d) { return Of(d).rows; };
    record->cols = [](D d) { return Of(d).cols; };
}

std::string Quoted(std::string_view bytes) {
    std::string out = "\"";
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const char *named = byte == 0x1b   ? "\\e"
                            : byte == '\r' ? "\\r"
                            : byte == '\n' ? "\\n"
                            : byte == '\t' ? "\\t"
                            : byte == '\\' ? "\\\\"
                            : byte == '"'  ? "\\\""
                                           : nullptr;
        char hex[8];
        if (named == nullptr && (byte < 0x20 || byte >= 0x7f)) {
            std::snprintf(hex, sizeof hex, "\\x%02x", byte);
            named = hex;
        }
        named != nullptr ? out += named : out += c;
    }
    return out + "\"";
}

}  // namespace portkit::test
