// What each final character of an ANSI sequence does to the display.
#include <climits>
#include <cstdint>
#include <cstdio>

#include "emulation/ansi_internal.h"
#include "portkit/timedio.h"

namespace portkit::emulation {

namespace {

constexpr int kCursorReportTimeoutMs = 500;

struct Sequence {
    AnsiEmulatorRecord *ansi;
    EmulatorRecord *record;
    int count;

    bool HasMarker() const { return ansi->private_marker != -1; }
    bool IsString(int i) const { return ansi->string_params[i] != nullptr; }
    int Param(int i) const { return ansi->params[i]; }
    // The single numeric parameter: `none` when there is none, -1 when the
    // sequence has more than one or a string.
    int SingleNumber(int none) const {
        if (count == 0) return none;
        if (count == 1 && !IsString(0)) return Param(0);
        return -1;
    }
};

void CursorMove(const Sequence &s, int final) {
    if (s.HasMarker()) return;
    int distance = 1;
    if (s.count == 1 && !s.IsString(0)) {
        distance = s.Param(0);
    } else if (s.count != 0) {
        return;
    }
    EmulatorRecord *r = s.record;
    // In 64 bits: a distance from the line may be anything a 32-bit int holds.
    std::int64_t row = r->current_row(r->display);
    std::int64_t col = r->current_col(r->display);
    switch (final) {
        case 'A':
            row -= distance;
            break;
        case 'B':
            row += distance;
            break;
        case 'C':
            col += distance;
            break;
        default:
            col -= distance;
            break;
    }
    // A move that would leave the screen is ignored, not clamped.
    if (row < 0 || row >= r->rows(r->display) || col < 0 || col >= r->cols(r->display)) return;
    r->goto_xy(r->display, static_cast<int>(row), static_cast<int>(col));
}

void CursorPosition(const Sequence &s) {
    if (s.HasMarker()) return;
    EmulatorRecord *r = s.record;
    if (s.count == 0) return r->goto_xy(r->display, 0, 0);
    if (s.count > 2 || s.IsString(0) || s.IsString(1)) return;
    if (s.count == 1) s.ansi->params[1] = 1;
    const int row = s.Param(0);
    const int col = s.Param(1);
    // 1-based on the line. A parameter of 0 or below reaches the display off
    // the screen, which it ignores; only the one whose row - 1 would not fit
    // an int is dropped here.
    if (row <= r->rows(r->display) && col <= r->cols(r->display) && row != INT_MIN && col != INT_MIN) {
        r->goto_xy(r->display, row - 1, col - 1);
    }
}

void ClearScreen(const Sequence &s) {
    if (s.HasMarker() || s.SingleNumber(-1) != 2 || s.count != 1) return;
    s.record->clear_window(s.record->display);
    s.record->goto_xy(s.record->display, 0, 0);
}

void ClearToEndOfLine(const Sequence &s) {
    if (s.HasMarker() || s.count != 0) return;
    s.record->clear_to_eol(s.record->display);
}

void SetAttributes(const Sequence &s) {
    if (s.HasMarker()) return;
    EmulatorRecord *r = s.record;
    EmulatorHandle d = r->display;
    for (int i = 0; i < s.count; ++i) {
        if (s.IsString(i)) return;
        const int value = s.Param(i);
        switch (value) {
            case 0:
                r->set_normal(d);
                break;
            case 1:
                r->set_bold(d);
                break;
            case 4:
                r->set_underline(d);
                break;
            case 5:
                r->set_blink(d);
                break;
            case 7:
                r->set_reverse(d);
                break;
            case 8:
                r->set_invisible(d);
                break;
            default:
                if (value >= 30 && value <= 37) r->set_foreground(d, value - 30);
                if (value >= 40 && value <= 47) r->set_background(d, value - 40);
                break;
        }
    }
}

void SetMode(const Sequence &s, bool set) {
    const int mode = s.SingleNumber(0);
    const int marker = s.ansi->private_marker;
    if (marker == '?' && mode == 7) return s.record->set_wrap(s.record->display, set ? 1 : 0);
    if (marker == '=' && mode >= 0 && mode <= 7) return;  // screen modes: accepted, ignored
    // Any other mode, with or without a marker, is passed over.
}

void CursorReport(const Sequence &s) {
    if (s.HasMarker() || s.count != 1 || s.SingleNumber(-1) != 6) return;
    EmulatorRecord *r = s.record;
    char reply[32];
    const int length = std::snprintf(reply, sizeof reply, "%c[%d;%dR", 27, r->current_row(r->display) + 1,
                                     r->current_col(r->display) + 1);
    WriteBufferTimed(r->port, reply, static_cast<unsigned>(length), kCursorReportTimeoutMs);
}

void SavePosition(const Sequence &s) {
    if (s.HasMarker() || s.count != 0) return;
    s.ansi->saved_row = s.record->current_row(s.record->display);
    s.ansi->saved_col = s.record->current_col(s.record->display);
}

void RestorePosition(const Sequence &s) {
    if (s.HasMarker() || s.count != 0) return;
    s.record->goto_xy(s.record->display, s.ansi->saved_row, s.ansi->saved_col);
}

}  // namespace

// A handler given a sequence it cannot take returns without acting: every
// sequence is dropped here once its final character has run.
void RunFinalCharacter(AnsiEmulatorRecord *ansi, int c) {
    if (ansi->param_index < ANSI_MAX_PARAMS) ++ansi->param_index;
    const Sequence s{ansi, &ansi->emulator, ansi->param_index};
    switch (c) {
        case 'A':
        case 'B':
        case 'C':
        case 'D':
            CursorMove(s, c);
            break;
        case 'H':
        case 'f':
            CursorPosition(s);
            break;
        case 'J':
            ClearScreen(s);
            break;
        case 'K':
            ClearToEndOfLine(s);
            break;
        case 'm':
            SetAttributes(s);
            break;
        case 'h':
            SetMode(s, true);
            break;
        case 'l':
            SetMode(s, false);
            break;
        case 'n':
            CursorReport(s);
            break;
        case 's':
            SavePosition(s);
            break;
        case 'u':
            RestorePosition(s);
            break;
        default:
            break;  // a final character of no command
    }
    ParseReset(ansi);
}

}  // namespace portkit::emulation
