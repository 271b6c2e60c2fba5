// The simulated modem itself, on a clock the test sets: what it answers to
// command lines, when call results come, and when "+++" counts as an escape.
#include <gtest/gtest.h>

#include <string>

#include "support/hayes_engine.h"

namespace portkit::test {
namespace {

class HayesSimulator : public ::testing::Test {
protected:
    // Bytes from the host at `ms`, and everything the modem sent back by then.
    std::string Send(std::string_view bytes, int ms) {
        engine.FromHost(bytes, start + std::chrono::milliseconds(ms));
        return At(ms);
    }
    std::string At(int ms) {
        engine.Advance(start + std::chrono::milliseconds(ms));
        return engine.TakeOutput();
    }

    HayesEngine engine{HayesOptions{std::chrono::milliseconds(100), "CONNECT 9600"}};
    const HayesEngine::Clock::time_point start = HayesEngine::Clock::now();
};

TEST_F(HayesSimulator, CommandLinesAnswerInEachFormat) {
    const std::pair<std::string, std::string> exchanges[] = {
        {"AT\r", "AT\r\r\nOK\r\n"},
        {"junk at s2? s12?\r", "junk at s2? s12?\r\r\n043\r\n050\r\n\r\nOK\r\n"},
        {"ATE0V0\r", "ATE0V0\r0\r"},
        {"ATS3?\r", "013\r\n0\r"},
        {"ATQ1S7=60\r", ""},
        {"ATS7?\r", "060\r\n"},  // information text whatever Q says
        {"ATQ0J\r", "4\r"},      // unknown command: ERROR, after what came before it
        {"A/", "4\r"},
        {"ATS7=1X\b\b22\r", "0\r"},
        {"ATS7?\r", "022\r\n0\r"},
        {"ATS38?\r", "4\r"},
        {"ATS7=256\r", "4\r"},
        {"ATS7=99999999999999999999\r", "4\r"},
        {"ATM4\r", "4\r"},
        {"AT" + std::string(300, 'E') + "\r", "4\r"},
        {"ATZ\r", "\r\nOK\r\n"},  // echo and verbose codes come back with the reset
        {"ATI4\r",
         "ATI4\r\r\nHayes-compatible command set: A D E H I L M O Q S V X Z &F &V\r\n"
         "Result codes: verbose and numeric\r\nS-registers: S0-S37\r\n\r\nOK\r\n"},
    };
    for (const auto &[input, output] : exchanges) EXPECT_EQ(Send(input, 0), output) << input;
}

TEST_F(HayesSimulator, CallResultsComeAfterTheDialDelay) {
    engine.SetDialOutcome("5550001", HayesEngine::DialOutcome::kBusy);
    engine.SetDialOutcome("5550002", HayesEngine::DialOutcome::kSilence);
    Send("ATE0\r", 0);
    EXPECT_EQ(Send("ATDT555-0001\r", 0), "");
    EXPECT_EQ(At(99), "");
    EXPECT_EQ(At(100), "\r\nBUSY\r\n");
    EXPECT_EQ(Send("ATDP5550002\r", 200), "");
    EXPECT_EQ(At(400), "");
    EXPECT_EQ(engine.mode(), HayesEngine::Mode::kCommand);
    EXPECT_EQ(Send("ATD5550003;\r", 500), "");
    EXPECT_EQ(At(600), "\r\nOK\r\n");
    EXPECT_EQ(Send("ATD5550004\r", 700), "");
    EXPECT_EQ(Send("x", 750), "\r\nNO CARRIER\r\n");  // a key abandons the call
    EXPECT_EQ(Send("ATDT5551234R\r", 800), "");
    EXPECT_EQ(At(900), "\r\nCONNECT 9600\r\n");
    EXPECT_EQ(Send("data\r\n", 950), "data\r\n");
    EXPECT_FALSE(engine.Ring(start));  // off hook
}

TEST_F(HayesSimulator, RingsCountAndAnswerAfterS0) {
    EXPECT_TRUE(engine.Ring(start));
    EXPECT_EQ(At(0), "\r\nRING\r\n");
    EXPECT_EQ(engine.profile().S(1), 1);
    EXPECT_EQ(At(8000), "");
    EXPECT_EQ(engine.profile().S(1), 0);  // that caller gave up

    Send("ATS0=2\r", 8000);
    EXPECT_TRUE(engine.Ring(start + std::chrono::milliseconds(9000)));
    EXPECT_TRUE(engine.Ring(start + std::chrono::milliseconds(10000)));
    EXPECT_EQ(At(10000), "\r\nRING\r\n\r\nRING\r\n");
    EXPECT_EQ(engine.mode(), HayesEngine::Mode::kAnswering);
    EXPECT_EQ(At(10100), "\r\nCONNECT 9600\r\n");
}

TEST_F(HayesSimulator, EscapeNeedsTheGuardTimeBeforeAndAfter) {
    Send("ATE0S12=10\r", 0);  // 200 ms
    Send("ATA\r", 0);
    EXPECT_EQ(At(100), "\r\nCONNECT 9600\r\n");

    EXPECT_EQ(Send("+++", 200), "+++");  // 100 ms after CONNECT: data
    EXPECT_EQ(At(1000), "");
    EXPECT_EQ(Send("+++", 1300), "+++");
    EXPECT_EQ(At(1499), "");
    EXPECT_EQ(At(1500), "\r\nOK\r\n");
    EXPECT_EQ(engine.mode(), HayesEngine::Mode::kCommand);

    EXPECT_EQ(Send("ATO\r", 1600), "\r\nCONNECT 9600\r\n");
    EXPECT_EQ(Send("+++", 1900), "+++");
    EXPECT_EQ(Send("a", 2000), "a");  // a byte inside the guard time after: data
    Send("+", 2300);
    Send("+", 2600);  // too long after the first: starts afresh
    Send("+", 2700);
    EXPECT_EQ(At(3500), "");
    EXPECT_EQ(engine.mode(), HayesEngine::Mode::kOnline);
}

}  // namespace
}  // namespace portkit::test
