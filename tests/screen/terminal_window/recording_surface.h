// A DSTermSurface that records what the terminal window's logic asks of it.
#ifndef PORTKIT_TESTS_SCREEN_TERMINAL_WINDOW_RECORDING_SURFACE_H
#define PORTKIT_TESTS_SCREEN_TERMINAL_WINDOW_RECORDING_SURFACE_H

#include <string>
#include <vector>

#include "screen/terminal_window/dsterm_surface.h"

namespace portkit::screen {

struct RecordedRun {
    int row, column;
    std::string text;
    std::uint8_t attribute;
    Rgb foreground, background;
    PixelRect cells;
};

class RecordingSurface : public DSTermSurface {
public:
    void DrawRun(const CellRun &run) override {
        runs.push_back({run.row, run.column, std::string(run.text, static_cast<std::size_t>(run.length)), run.attribute,
                        run.foreground, run.background, run.cells});
    }
    void ScrollUp(const PixelRect &, int pixels) override { scrolled_pixels.push_back(pixels); }
    void ShowCaret(const PixelRect &caret) override {
        caret_shown = true;
        this->caret = caret;
    }
    void HideCaret() override { caret_shown = false; }
    void Beep() override { ++beeps; }
    void StartBlinkTimer(int interval_ms) override { timer_ms = interval_ms; }
    void StopBlinkTimer() override { timer_ms = 0; }
    void Invalidate(const PixelRect &) override {}

    std::vector<RecordedRun> runs;
    std::vector<int> scrolled_pixels;
    bool caret_shown = false;
    PixelRect caret{};
    int beeps = 0;
    int timer_ms = 0;
};

}  // namespace portkit::screen

#endif
