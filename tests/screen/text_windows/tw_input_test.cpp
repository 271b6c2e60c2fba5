// A text window's key queue, the keys the platform hands it, and reading
// keys and lines.
#include "screen/console/console_keys.h"
#include "screen/text_windows/tw_fixture.h"
#include "screen/text_windows/tw_keys.h"

namespace portkit::screen {
namespace {

class TextWindowInputTest : public TextWindowTest {
protected:
    // Each wait for a key finds the next of `keys` queued.
    void TypeWhileWaiting(std::initializer_list<int> keys) {
        for (int key : keys) platform.script.push_back([this, key] { QueueTWKey(*w, key); });
    }
};

constexpr int kVkHome = 0x24, kVkEnd = 0x23, kVkDown = 0x28, kVkF1 = 0x70;

TEST_F(TextWindowInputTest, The128thKeyBeepsAndIsDropped) {
    for (int i = 0; i < 127; ++i) EXPECT_TRUE(QueueTWKey(*w, 'a' + i % 26));
    EXPECT_EQ(surface.beeps, 0);
    EXPECT_FALSE(QueueTWKey(*w, 'X'));
    EXPECT_EQ(surface.beeps, 1);
    for (int i = 0; i < 127; ++i) EXPECT_EQ(TWGetkey(w.get()), 'a' + i % 26);
    EXPECT_EQ(TWKbhit(w.get()), 0);
}

TEST_F(TextWindowInputTest, GetkeyWaitsThroughTheEventPumpButOutputDoesNot) {
    TWPuts(w.get(), "output never waits for events");
    EXPECT_EQ(platform.yields, 1);
    EXPECT_EQ(platform.awaits, 0);
    platform.script = {[] {}, [] {}};
    TypeWhileWaiting({'q'});
    EXPECT_EQ(TWGetkey(w.get()), 'q');
    EXPECT_EQ(platform.yields, 1 + 3);
    EXPECT_EQ(platform.awaits, 2);  // after each yield that brought no key
}

TEST_F(TextWindowInputTest, CharactersAndKeyDowns) {
    QueueTWCharacter(*w, 17);  // 16 to 20 never reach the queue
    QueueTWCharacter(*w, 'a');
    TWKeyDown(*w, kVkF1, kShift, false);
    TWKeyDown(*w, 'A', 0, false);  // its character comes on its own
    EXPECT_EQ(TWGetkey(w.get()), 'a');
    EXPECT_EQ(TWGetkey(w.get()), 0x5400);
    EXPECT_EQ(TWKbhit(w.get()), 0);
}

TEST_F(TextWindowInputTest, ScrollLockTurnsNavigationKeysIntoScrolling) {
    DetachTWSurface(*w);
    MakeWindow(*w, 1);
    ResizeTWView(*w, 40 * kCellWidth, 10 * kCellHeight);
    TWKeyDown(*w, kVkHome, 0, true);
    EXPECT_EQ(w->first_row, 0);
    TWKeyDown(*w, kVkDown, 0, true);
    EXPECT_EQ(w->first_row, 1);
    TWKeyDown(*w, kVkEnd, 0, true);
    EXPECT_EQ(w->first_row, TW_BUFFER_ROWS - 1 - 10);
    TWKeyDown(*w, kVkF1, 0, true);  // not a navigation key: queued
    EXPECT_EQ(TWGetkey(w.get()), 0x3B00);
    EXPECT_EQ(TWKbhit(w.get()), 0);
}

TEST_F(TextWindowInputTest, ScrollLockKeysAreSwallowedWithoutScrollBars) {
    const int first_row = w->first_row;
    TWKeyDown(*w, kVkHome, 0, true);
    EXPECT_EQ(w->first_row, first_row);
    EXPECT_EQ(TWKbhit(w.get()), 0);
}

TEST_F(TextWindowInputTest, GetsOfSize5TakesFourCharactersAndBeepsAtTheFifth) {
    TWGoto(w.get(), 3, 0);
    TypeWhileWaiting({'a', 'b', 0x4800, 'c', 'd', 'e', '\r'});
    char line[5];
    EXPECT_EQ(TWGets(w.get(), line, sizeof line), line);
    EXPECT_STREQ(line, "abcd");
    EXPECT_EQ(surface.beeps, 1);
    EXPECT_EQ(ScreenRow(3), Padded("abcd"));
    EXPECT_EQ(w->cursor_row, 3);
    EXPECT_EQ(w->cursor_col, 0);
}

TEST_F(TextWindowInputTest, GetsBackspaceErasesTheLastCharacter) {
    TWGoto(w.get(), 0, 5);
    TypeWhileWaiting({'\b', 'a', 'b', '\b', 'c', '\n'});
    char line[10];
    ASSERT_NE(TWGets(w.get(), line, sizeof line), nullptr);
    EXPECT_STREQ(line, "ac");
    EXPECT_EQ(ScreenRow(0), Padded("     ac"));
}

TEST_F(TextWindowInputTest, GetsEscapeEmptiesTheLineAndSmallSizesGiveNull) {
    TypeWhileWaiting({'a', 27});
    char line[10];
    EXPECT_EQ(TWGets(w.get(), line, sizeof line), line);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(TWGets(w.get(), line, 1), nullptr);
}

TEST_F(TextWindowInputTest, AfterTheFrameClosedKeysAreNoLongerRead) {
    QueueTWKey(*w, 'a');
    instance->quit = 1;
    EXPECT_EQ(TWGetkey(w.get()), -1);
    EXPECT_EQ(TWKbhit(w.get()), 1);
    char line[10];
    EXPECT_EQ(TWGets(w.get(), line, sizeof line), nullptr);
}

TEST_F(TextWindowInputTest, ClosingTheFrameEndsAWaitForAKey) {
    platform.script = {[] {}, [this] { instance->quit = 1; }};
    EXPECT_EQ(TWGetkey(w.get()), -1);
}

// The user closed the window; the frame and its other windows stay.
TEST_F(TextWindowInputTest, AClosedWindowGivesItsQueuedKeysThenNoMore) {
    const auto close = [this] {
        DetachTWSurface(*w);
        w->window = nullptr;
    };
    QueueTWKey(*w, 'a');
    close();
    EXPECT_EQ(TWKbhit(w.get()), 1);
    EXPECT_EQ(TWGetkey(w.get()), 'a');
    platform.script = {[this] { QueueTWKey(*w, 'z'); }};  // what a wait that went on would find
    EXPECT_EQ(TWKbhit(w.get()), 1);
    EXPECT_EQ(TWGetkey(w.get()), -1);
    EXPECT_EQ(platform.next_step, 0u);
}

TEST_F(TextWindowInputTest, ClosingTheWindowEndsAWaitForAKeyOrALine) {
    platform.script = {[] {},
                       [this] {
                           DetachTWSurface(*w);
                           w->window = nullptr;
                       },
                       [this] { QueueTWKey(*w, 'z'); }};
    EXPECT_EQ(TWGetkey(w.get()), -1);

    MakeWindow(*w, 0);
    platform.script = {[this] {  // the echo of the first key yields here
                           DetachTWSurface(*w);
                           w->window = nullptr;
                       },
                       [this] { QueueTWKey(*w, '\r'); }};
    platform.next_step = 0;
    QueueTWKey(*w, 'a');
    char line[10];
    EXPECT_EQ(TWGets(w.get(), line, sizeof line), nullptr);
}

TEST_F(TextWindowInputTest, FrameCommandsGoToTheFocusedWindowAndMenuChoicesToTheirWindow) {
    QueueTWFrameCommand(301);
    EXPECT_EQ(TWGetkey(w.get()), 301);
    HandleTWWindowCommand(*w, TW_MENU_FIRST_ID + 1);
    EXPECT_EQ(w->menu_choice, 1);
}

TEST_F(TextWindowInputTest, TheInstanceRecordIsOnePerProcess) {
    EXPECT_EQ(GetTWInstanceDataPtr(), instance);
    EXPECT_EQ(StartTWInstance(nullptr, 0), instance);
    TWFreeInstanceData();
    EXPECT_EQ(GetTWInstanceDataPtr(), nullptr);
    instance = StartTWInstance(nullptr, 0);
    EXPECT_NE(instance, nullptr);
    w->instance = instance;
}

}  // namespace
}  // namespace portkit::screen
