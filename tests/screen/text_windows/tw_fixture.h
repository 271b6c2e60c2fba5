// A text window 8 x 16 pixel cells on a recording surface, showing the whole
// screen and holding the focus, under a scripted platform.
#ifndef PORTKIT_TESTS_SCREEN_TEXT_WINDOWS_TW_FIXTURE_H
#define PORTKIT_TESTS_SCREEN_TEXT_WINDOWS_TW_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "screen/text_windows/recording_tw_surface.h"
#include "screen/text_windows/tw_instance.h"
#include "screen/text_windows/tw_view.h"
#include "screen/text_windows/tw_window.h"

namespace portkit::screen {

class TextWindowTest : public ::testing::Test {
protected:
    static constexpr int kCellWidth = 8, kCellHeight = 16;

    void SetUp() override {
        InstallTWPlatform(&platform);
        instance = StartTWInstance(nullptr, 0);
        ASSERT_NE(instance, nullptr);
        MakeWindow(*w, 0);
    }
    void TearDown() override {
        DetachTWSurface(*w);
        TWFreeInstanceData();
        InstallTWPlatform(nullptr);
    }

    void MakeWindow(TW_WINDOW &window, int scroll_bars) {
        InitTWWindow(window, scroll_bars, "test");
        window.instance = instance;
        window.window = &window;
        window.char_width = kCellWidth;
        window.char_height = kCellHeight;
        AttachTWSurface(window, &surface);
        ResizeTWView(window, TW_COLS * kCellWidth, TW_ROWS * kCellHeight);
        TWFocusGained(window);
    }

    std::string ScreenRow(int row) const { return BufferRow(TWBufferRow(row)); }
    std::string BufferRow(int buffer_row) const { return std::string(w->text[buffer_row], TW_COLS); }
    static std::string Padded(const std::string &text) { return text + std::string(TW_COLS - text.size(), ' '); }

    ScriptedTWPlatform platform;
    RecordingTWSurface surface;
    TWInstanceData *instance = nullptr;
    std::unique_ptr<TW_WINDOW> w = std::make_unique<TW_WINDOW>();
};

}  // namespace portkit::screen

#endif
