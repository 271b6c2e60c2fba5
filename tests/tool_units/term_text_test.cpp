// The pure parts of portkit term: byte maps, the hex and timestamp view of
// received bytes, and the pacing of typed ones, on a clock of the test's.
#include <gtest/gtest.h>

#include "tools/term/byte_maps.h"
#include "tools/term/paced_output.h"
#include "tools/term/received_view.h"
#include "tools/term/zmodem_screen_text.h"

namespace portkit::tool {
namespace {

TEST(ByteMapsTest, NamesParseToTheirMapsAndAnUnknownOneIsNamed) {
    std::string unknown;
    EXPECT_EQ(ParseByteMaps("crlf,delbs", &unknown), kMapCrLf | kMapDelBs);
    EXPECT_EQ(ParseByteMaps("", &unknown), 0u);
    EXPECT_EQ(ParseByteMaps("igncr,,lfcrlf", &unknown), kMapIgnCr | kMapLfCrLf);
    EXPECT_FALSE(ParseByteMaps("crlf,lfcrl", &unknown));
    EXPECT_EQ(unknown, "lfcrl");
    EXPECT_FALSE(ParseByteMaps("CRLF", &unknown));
}

TEST(ByteMapsTest, EachMapChangesOnlyItsByte) {
    const std::string text = "a\rb\nc\bd\x7f";
    EXPECT_EQ(ApplyByteMaps(text, 0), text);
    EXPECT_EQ(ApplyByteMaps(text, kMapCrLf), "a\nb\nc\bd\x7f");
    EXPECT_EQ(ApplyByteMaps(text, kMapCrCrLf), "a\r\nb\nc\bd\x7f");
    EXPECT_EQ(ApplyByteMaps(text, kMapIgnCr), "ab\nc\bd\x7f");
    EXPECT_EQ(ApplyByteMaps(text, kMapLfCr), "a\rb\rc\bd\x7f");
    EXPECT_EQ(ApplyByteMaps(text, kMapLfCrLf), "a\rb\r\nc\bd\x7f");
    EXPECT_EQ(ApplyByteMaps(text, kMapIgnLf), "a\rbc\bd\x7f");
    EXPECT_EQ(ApplyByteMaps(text, kMapBsDel),
              "a\rb\nc\x7f"
              "d\x7f");
    EXPECT_EQ(ApplyByteMaps(text, kMapDelBs), "a\rb\nc\bd\b");
    // A byte is mapped once: CR to LF is not then LF to CR LF.
    EXPECT_EQ(ApplyByteMaps("\r\n", kMapCrLf | kMapLfCrLf), "\n\r\n");
    EXPECT_EQ(ApplyByteMaps("\b\x7f", kMapBsDel | kMapDelBs), "\x7f\b");
}

TEST(ReceivedViewTest, TimestampHasMillisecondsAndNeverFourDigits) {
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 11;
    local.tm_mday = 10;
    local.tm_hour = 17;
    local.tm_min = 3;
    local.tm_sec = 4;
    EXPECT_EQ(TimestampText(local, 5), "2026-12-10T17:03:04.005 ");
    const auto second = std::chrono::system_clock::from_time_t(1800000000);
    const std::string late = LocalTimestamp(second + std::chrono::microseconds(999999));
    EXPECT_EQ(late.substr(19), ".999 ");
    EXPECT_EQ(LocalTimestamp(second).substr(19), ".000 ");
}

TEST(ReceivedViewTest, TimestampsBeginEachLineEvenAcrossReads) {
    const auto when = std::chrono::system_clock::from_time_t(1800000000);
    ReceivedView view([when] { return when; });
    const std::string stamp = LocalTimestamp(when);
    view.timestamps = true;
    EXPECT_EQ(view.Render("one\r\ntw"), stamp + "one\r\n" + stamp + "tw");
    EXPECT_EQ(view.Render("o\r"), "o\r");
    EXPECT_EQ(view.Render("\n"), "\n");
    EXPECT_EQ(view.Render("x"), stamp + "x");
    view.LineBroken();
    EXPECT_EQ(view.Render("y"), stamp + "y");
}

TEST(ReceivedViewTest, HexPairsSixteenToALineEachLineStamped) {
    const auto when = std::chrono::system_clock::from_time_t(1800000000);
    ReceivedView view([when] { return when; });
    view.hex = true;
    EXPECT_EQ(view.Render("AB\r\n"), "41 42 0d 0a");
    EXPECT_EQ(view.Render(std::string(13, '\xff')), " ff ff ff ff ff ff ff ff ff ff ff ff\r\nff");
    view.timestamps = true;
    view.LineBroken();
    const std::string stamp = LocalTimestamp(when);
    EXPECT_EQ(view.Render(std::string(17, '\0')),
              stamp + "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n" + stamp + "00");
}

TEST(PacedOutputTest, BytesWaitTheirDelayAndCrItsLineDelayToo) {
    using std::chrono::milliseconds;
    const PacedOutput::Clock::time_point start{};
    PacedOutput paced(100, 300);
    paced.Push("ab\rc");
    EXPECT_EQ(paced.TakeDue(start + milliseconds(1000)), "a");
    EXPECT_EQ(paced.TakeDue(start + milliseconds(1099)), "");
    EXPECT_EQ(paced.TakeDue(start + milliseconds(1100)), "b");
    EXPECT_EQ(paced.TakeDue(start + milliseconds(1200)), "\r");
    EXPECT_EQ(paced.TakeDue(start + milliseconds(1599)), "");
    EXPECT_EQ(paced.TakeDue(start + milliseconds(1600)), "c");
    EXPECT_TRUE(paced.Empty());

    PacedOutput lines_only(0, 50);
    lines_only.Push("ab\rcd");
    EXPECT_EQ(lines_only.TakeDue(start + milliseconds(10)), "ab\r");
    EXPECT_EQ(lines_only.TakeDue(start + milliseconds(59)), "");
    EXPECT_EQ(lines_only.TakeDue(start + milliseconds(60)), "cd");

    PacedOutput unpaced(0, 0);
    unpaced.Push("ab\rcd");
    EXPECT_EQ(unpaced.TakeDue(start), "ab\rcd");
}

TEST(ZmodemScreenTextTest, OnlyWhatCanBeginAHeaderIsHeldBack) {
    EXPECT_EQ(ZmodemHeaderStartLength("hello"), 0u);
    EXPECT_EQ(ZmodemHeaderStartLength("cafe 0123abc"), 0u);  // hex without CAN is text
    EXPECT_EQ(ZmodemHeaderStartLength("x**"), 2u);
    EXPECT_EQ(ZmodemHeaderStartLength("x***\x18"), 3u);
    EXPECT_EQ(ZmodemHeaderStartLength("rz\r**\x18"
                                      "B0000"),
              8u);
    EXPECT_EQ(ZmodemHeaderStartLength("\x18"
                                      "B00000000000000"),
              16u);
    EXPECT_EQ(ZmodemHeaderStartLength("\x18"
                                      "B000000000000000"),
              0u);  // one digit too many
}

TEST(ZmodemScreenTextTest, TrailFilterTakesHeadersAndOverAndOutThenShowsTheRest) {
    ZmodemTrailFilter trail;
    EXPECT_EQ(trail.Filter("**"), "**");  // not armed: nothing is taken
    trail.Arm();
    EXPECT_EQ(trail.Filter("**\x18"
                           "B0800000000022d\r\x8a\x11"),
              "");
    EXPECT_TRUE(trail.Armed());  // the sender may repeat its ZFIN
    trail.Arm();
    EXPECT_EQ(trail.Filter("\x18"
                           "B08000000"),
              "");  // the pads were read by the transfer
    EXPECT_EQ(trail.Filter("00022d\r\nOO"), "");
    EXPECT_EQ(trail.Filter("OK\r\n$ "), "OK\r\n$ ");
    EXPECT_FALSE(trail.Armed());
    EXPECT_EQ(trail.Filter("**\x18"
                           "B08"),
              "**\x18"
              "B08");  // disarmed: all passes

    trail.Arm();
    EXPECT_EQ(trail.Filter("**\x18"
                           "B08zz"),
              "**\x18"
              "B08zz");  // a header broken off is shown whole
}

}  // namespace
}  // namespace portkit::tool
