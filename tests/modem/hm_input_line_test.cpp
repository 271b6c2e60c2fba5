// HMInputLine on lines the modem loops back once online: where a line ends,
// what the echo routine sees, and what ends the wait early.
#include <cstring>

#include "modem/modem_on_pty.h"
#include "portkit/timedio.h"

namespace portkit::test {
namespace {

class HMInputLine : public ModemOnPty {
protected:
    void SetUp() override {
        ModemOnPty::SetUp();
        ASSERT_EQ(HMAnswer(port), 0);
        ASSERT_EQ(NextReply(), "CONNECT");
        PortKillTime(port, 20);
        char rest[64];  // the LF after CONNECT
        while (PWReadBuffer(port, rest, sizeof rest) == 0) {
        }
        PWClearError(port);
    }

    // Sends `bytes` to be looped back and waits until all are queued here.
    void LoopBack(const std::string &bytes) {
        ASSERT_EQ(HMSendStringNoWait(port, bytes.c_str(), PORTKIT_TERMINATOR_NONE), 0);
        const int32_t deadline = ElapsedTime() + 2000;
        while (PWSpaceUsedInRXBuffer(port) < static_cast<int>(bytes.size()) && ElapsedTime() < deadline) {
            PortKillTime(port, 1);
        }
    }

    static inline std::string echoed;
    static inline int hook_calls = 0;
    static inline PortStructure *hook_port = nullptr;
};

TEST_F(HMInputLine, LineStopsOneShortOfTheBufferAndTheRestFollows) {
    const std::string line = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX";  // 60
    LoopBack(line + "\r\n");
    char buffer[40];
    EXPECT_EQ(::HMInputLine(port, 100, buffer, 1), PORTKIT_INVALID_PARAMETER);  // no room for a character
    EXPECT_EQ(::HMInputLine(port, 100, buffer, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_GT(::HMInputLine(port, 1000, buffer, sizeof buffer), 0);
    EXPECT_EQ(std::string(buffer), line.substr(0, 39));
    EXPECT_GT(::HMInputLine(port, 1000, buffer, sizeof buffer), 0);
    EXPECT_EQ(std::string(buffer), line.substr(39));
}

TEST_F(HMInputLine, EchoRoutineSeesEveryCharacterTakenAndTimeOutGivesZero) {
    echoed.clear();
    HMSetUpEchoRoutine([](int c) {
        echoed += static_cast<char>(c);
        return 0;
    });
    LoopBack("one\r\ntwo\r");
    char buffer[40];
    const int left = ::HMInputLine(port, 1000, buffer, sizeof buffer);
    EXPECT_GT(left, 0);
    EXPECT_LE(left, 1000);
    EXPECT_STREQ(buffer, "one");
    EXPECT_GT(::HMInputLine(port, 1000, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "two");  // the LF before it dropped
    EXPECT_EQ(echoed, "one\r\ntwo\r");

    const int32_t start = ElapsedTime();
    EXPECT_EQ(::HMInputLine(port, 200, buffer, sizeof buffer), 0);
    EXPECT_GE(MillisecondsSince(start), 200);
    EXPECT_STREQ(buffer, "");
}

TEST_F(HMInputLine, AbortAndIdleHooksEndTheWaitWithTheirCodes) {
    echoed.clear();
    hook_calls = 0;
    HMSetUpEchoRoutine([](int c) {
        echoed += static_cast<char>(c);
        return 0;
    });
    LoopBack("abcdef\r");
    SetAbortModemFunctionPtr([](PortStructure *p) {
        hook_port = p;
        return ++hook_calls > 3 ? PORTKIT_CONNECT_FAILURE : 0;
    });
    char buffer[40];
    EXPECT_EQ(::HMInputLine(port, 2000, buffer, sizeof buffer), PORTKIT_CONNECT_FAILURE);
    EXPECT_EQ(echoed, "abc");  // asked before every character
    EXPECT_EQ(hook_port, port);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_CONNECT_FAILURE);

    SetAbortModemFunctionPtr(nullptr);
    EXPECT_GT(::HMInputLine(port, 1000, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "def");
    SetPortIdleFunctionPtr([](PortStructure *) -> int { return PORTKIT_USER_ABORT; });
    const int32_t start = ElapsedTime();
    EXPECT_EQ(::HMInputLine(port, 2000, buffer, sizeof buffer), PORTKIT_USER_ABORT);
    EXPECT_LT(MillisecondsSince(start), 500);
}

}  // namespace
}  // namespace portkit::test
