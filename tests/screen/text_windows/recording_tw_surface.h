// A TWSurface that records what a text window's logic asks of it, and a
// TWPlatform whose event pump runs a test's script.
#ifndef PORTKIT_TESTS_SCREEN_TEXT_WINDOWS_RECORDING_TW_SURFACE_H
#define PORTKIT_TESTS_SCREEN_TEXT_WINDOWS_RECORDING_TW_SURFACE_H

#include <functional>
#include <string>
#include <vector>

#include "screen/text_windows/tw_platform.h"
#include "screen/text_windows/tw_surface.h"

namespace portkit::screen {

struct RecordedTWRun {
    int row, column;
    std::string text;
    Rgb foreground, background;
    PixelRect cells;
};

class RecordingTWSurface : public TWSurface {
public:
    void DrawRun(const TWRun &run) override {
        runs.push_back({run.row, run.column, std::string(run.text, static_cast<std::size_t>(run.length)),
                        run.foreground, run.background, run.cells});
    }
    void Scroll(const PixelRect &, int dx, int dy) override { scrolls.push_back({dx, dy}); }
    void ShowCaret(const PixelRect &caret) override {
        caret_shown = true;
        this->caret = caret;
    }
    void HideCaret() override { caret_shown = false; }
    void Beep() override { ++beeps; }
    void TakeFocus() override { ++focus_requests; }
    void Invalidate(const PixelRect &area) override { invalidated.push_back(area); }
    void SetScrollBar(TWScrollBar bar, int maximum, int position) override {
        (bar == TWScrollBar::kVertical ? vertical : horizontal) = {maximum, position};
    }

    struct Move {
        int dx, dy;
        friend bool operator==(const Move &, const Move &) = default;
    };
    struct Bar {
        int maximum = -1, position = -1;
    };
    std::vector<RecordedTWRun> runs;
    std::vector<Move> scrolls;
    std::vector<PixelRect> invalidated;
    bool caret_shown = false;
    PixelRect caret{};
    int beeps = 0;
    int focus_requests = 0;
    Bar vertical, horizontal;
};

// Each Yield runs the next step of `script` (nothing once it ran out).
class ScriptedTWPlatform : public TWPlatform {
public:
    void Yield() override {
        ++yields;
        if (next_step < script.size()) script[next_step++]();
    }
    void AwaitEvents() override { ++awaits; }
    TWCreated CreateTextWindow(TW_WINDOW &, const TWWindowRequest &) override { return {false, false}; }
    void ForgetTextWindow(TW_WINDOW &) override {}
    void ShowMessage(const char *caption, const char *text) override {
        messages.push_back(std::string(caption) + ": " + text);
    }
    void RunMenu(TW_WINDOW &, int, int, const char *const *, int) override {}
    bool RunLineDialog(const char *, const char *, char *, int) override { return false; }
    void DestroyMenus(TWInstanceData &) override {}

    std::vector<std::function<void()>> script;
    std::size_t next_step = 0;
    int yields = 0;
    int awaits = 0;
    std::vector<std::string> messages;
};

}  // namespace portkit::screen

#endif
