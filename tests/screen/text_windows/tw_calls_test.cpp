// Making text windows through the platform, and the calls that hand work to
// it: the pop-up menu, the line dialog and the messages to the user.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "screen/text_windows/recording_tw_surface.h"
#include "screen/text_windows/tw_instance.h"
#include "screen/text_windows/tw_keys.h"
#include "screen/text_windows/tw_view.h"

namespace portkit::screen {
namespace {

// Makes windows of 8 x 16 pixel cells on one recording surface, answers
// menus with `menu_answer` and dialogs with `dialog_text`.
class FakeTWPlatform : public ScriptedTWPlatform {
public:
    TWCreated CreateTextWindow(TW_WINDOW &w, const TWWindowRequest &request) override {
        requests.push_back(request);
        if (!create) return {false, false};
        w.char_width = 8;
        w.char_height = 16;
        w.window = &w;
        AttachTWSurface(w, &surface);
        ResizeTWView(w, request.width * 8, request.height * 16);
        TWFocusGained(w);
        return {true, variable_pitch};
    }
    void ForgetTextWindow(TW_WINDOW &w) override {
        DetachTWSurface(w);
        w.window = nullptr;
        ++forgotten;
    }
    void RunMenu(TW_WINDOW &w, int, int, const char *const *items, int count) override {
        menu_items.assign(items, items + count);
        if (menu_answer >= 0) HandleTWWindowCommand(w, TW_MENU_FIRST_ID + menu_answer);
    }
    bool RunLineDialog(const char *, const char *, char *buffer, int limit) override {
        if (dialog_text == nullptr) return false;
        std::strncpy(buffer, dialog_text, static_cast<std::size_t>(limit));
        buffer[limit] = '\0';
        return true;
    }

    RecordingTWSurface surface;
    bool create = true, variable_pitch = false;
    int menu_answer = -1;
    const char *dialog_text = nullptr;
    std::vector<TWWindowRequest> requests;
    std::vector<std::string> menu_items;
    int forgotten = 0;
};

class TextWindowCallsTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallTWPlatform(&platform);
        ASSERT_NE(StartTWInstance(nullptr, 0), nullptr);
    }
    void TearDown() override {
        TWFreeInstanceData();
        InstallTWPlatform(nullptr);
    }
    FakeTWPlatform platform;
};

TEST_F(TextWindowCallsTest, DefineWindowStartsWithTheScreenInViewAndTheCaretHome) {
    TW_WINDOW *w = TWDefineWindow(2, 3, 40, 10, 0, "title", "Courier", 13);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->rows, TW_ROWS);
    EXPECT_EQ(w->cols, TW_COLS);
    EXPECT_EQ(w->first_row, TW_SCROLLBACK_ROWS);
    EXPECT_EQ(w->menu_choice, -1);
    EXPECT_EQ(w->instance, GetTWInstanceDataPtr());
    EXPECT_STREQ(w->title, "title");
    EXPECT_EQ(w->text[0][0], ' ');
    ASSERT_EQ(platform.requests.size(), 1u);
    EXPECT_EQ(platform.requests[0].row, 2);
    EXPECT_EQ(platform.requests[0].width, 40);
    EXPECT_EQ(platform.requests[0].font_height, 13);
    EXPECT_TRUE(platform.surface.caret_shown);
    EXPECT_EQ(platform.surface.caret, (PixelRect{0, 0, 8, 16}));
    EXPECT_TRUE(platform.messages.empty());
    TWFreeWindow(w);
    EXPECT_EQ(platform.forgotten, 1);
    EXPECT_EQ(TheTWSettings().focused, nullptr);
}

TEST_F(TextWindowCallsTest, AWindowThatCannotBeMadeIsReportedAndGivesNull) {
    platform.create = false;
    EXPECT_EQ(TWDefineWindow(0, 0, 10, 10, 0, "t", "Courier", 13), nullptr);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0], "Error: Could not create window");
}

TEST_F(TextWindowCallsTest, AProportionalFontIsWarnedAbout) {
    platform.variable_pitch = true;
    TW_WINDOW *w = TWDefineWindow(0, 0, 10, 10, 0, "t", "Arial", 13);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(
        platform.messages[0].rfind("Warning Message: This window's font is Arial.\n\nThis is a variable pitch", 0), 0u);
    TWFreeWindow(w);
}

TEST_F(TextWindowCallsTest, MenuOffersItemsUpToANullOrEmptyStringAndReturnsTheChoice) {
    TW_WINDOW *w = TWDefineWindow(0, 0, 10, 10, 0, "t", "Courier", 13);
    ASSERT_NE(w, nullptr);
    const char *items[] = {"A", "B", "", "C", nullptr};
    platform.menu_answer = 1;
    EXPECT_EQ(TWMenu(w, 1, 1, items), 1);
    EXPECT_EQ(platform.menu_items, (std::vector<std::string>{"A", "B"}));
    platform.menu_answer = -1;
    EXPECT_EQ(TWMenu(w, 1, 1, items), -1);
    // Without its window nothing is shown.
    platform.ForgetTextWindow(*w);
    platform.menu_answer = 0;
    platform.menu_items.clear();
    EXPECT_EQ(TWMenu(w, 1, 1, items), -1);
    EXPECT_TRUE(platform.menu_items.empty());
    TWFreeWindow(w);
}

TEST_F(TextWindowCallsTest, GetLineFillsTheBufferOrReportsAndEmptiesIt) {
    // `size` is the buffer's: the terminator is within it (on the heap, so
    // that a byte beyond it is caught).
    const std::unique_ptr<char[]> line(new char[7]);
    platform.dialog_text = "typed text";
    EXPECT_EQ(TWGetLine("c", "p", line.get(), 7), 1);
    EXPECT_STREQ(line.get(), "typed ");
    platform.dialog_text = nullptr;
    EXPECT_EQ(TWGetLine("c", "p", line.get(), 7), 0);
    EXPECT_STREQ(line.get(), "");
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0], "Fatal Error: Could not allocate\nDialog box buffer for TWGetLine");
}

TEST_F(TextWindowCallsTest, WithoutAPlatformNoWindowIsMade) {
    InstallTWPlatform(nullptr);
    EXPECT_EQ(TWDefineWindow(0, 0, 10, 10, 0, "t", "Courier", 13), nullptr);
    char line[4] = "abc";
    EXPECT_EQ(TWGetLine("c", "p", line, 3), 0);
    EXPECT_STREQ(line, "");
}

TEST_F(TextWindowCallsTest, GetLineWithARoomOfOneGivesAnEmptyLineAndOfNoneTouchesNothing) {
    char line[2] = "x";
    platform.dialog_text = "typed text";
    EXPECT_EQ(TWGetLine("c", "p", line, 1), 1);
    EXPECT_STREQ(line, "");
    line[0] = 'x';
    EXPECT_EQ(TWGetLine("c", "p", line, 0), 0);
    EXPECT_EQ(line[0], 'x');
}

}  // namespace
}  // namespace portkit::screen
