// The serial driver on the simulated null-modem cable: queues that fill at
// line rate, modem lines crossing, line errors, break and ring.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/posix/comm/sim_line.h"
#include "platform/posix/comm/win32_comm.h"
#include "port/port_internal.h"
#include "portkit/serial.h"
#include "portkit/timedio.h"

namespace portkit::test {
namespace {

using namespace portkit::win32_imitation;

constexpr int kPortA = 30;  // COM31
constexpr int kPortB = 31;  // COM32

class SerialOnSimLine : public ::testing::Test {
protected:
    void SetUp() override {
        cable = std::string("cable-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        setenv("PORTKIT_COM31", ("sim:" + cable + ":a").c_str(), 1);
        setenv("PORTKIT_COM32", ("sim:" + cable + ":b").c_str(), 1);
        a = PortOpenMSWin32(kPortA, 9600, 'N', 8, 1);
        b = PortOpenMSWin32(kPortB, 9600, 'N', 8, 1);
        ASSERT_EQ(PWGetPortStatus(a), 0);
        ASSERT_EQ(PWGetPortStatus(b), 0);
    }
    void TearDown() override {
        PWClearTXBuffer(a);
        PWClearTXBuffer(b);
        PWPortClose(a);
        PWPortClose(b);
        SetPortIdleFunctionPtr(nullptr);
    }

    std::string cable;
    PortStructure *a = nullptr;
    PortStructure *b = nullptr;
};

TEST_F(SerialOnSimLine, AFullTransmitQueueTakesWhatFitsAndSaysBufferFull) {
    ASSERT_TRUE(sim::SetLineRate(cable, 100));
    const std::string block(2000, 'x');
    EXPECT_EQ(PWWriteBuffer(a, block.data(), 2000), PORTKIT_BUFFER_FULL);
    EXPECT_EQ(PWGetPortCount(a), 1050);
    EXPECT_EQ(PWGetPortStatus(a), PORTKIT_BUFFER_FULL);
    EXPECT_EQ(IsTXFull(a), 1);
    EXPECT_EQ(IsTXEmpty(a), 0);
    EXPECT_GE(PWSpaceUsedInTXBuffer(a), 1040);  // the line sends one byte per 10 ms
    EXPECT_EQ(PWClearTXBuffer(a), 0);
    EXPECT_EQ(IsTXEmpty(a), 1);
}

TEST_F(SerialOnSimLine, ReadsTakeWhatIsQueued) {
    const std::string ten = "0123456789";
    ASSERT_EQ(PWWriteBuffer(b, ten.data(), 10), 0);
    ASSERT_EQ(PortKillTime(a, 5), 0);  // idle turns move the bytes along
    char buffer[100];
    EXPECT_EQ(PWSpaceUsedInRXBuffer(a), 10);
    EXPECT_EQ(PWSpaceFreeInRXBuffer(a), 1040);
    EXPECT_EQ(PWReadBuffer(a, buffer, 100), 0);
    EXPECT_EQ(PWGetPortCount(a), 10);
    EXPECT_EQ(std::string(buffer, 10), ten);
    EXPECT_EQ(PWReadBuffer(a, buffer, 100), PORTKIT_BUFFER_EMPTY);
    EXPECT_EQ(PWGetPortCount(a), 0);
}

TEST_F(SerialOnSimLine, DtrAndRtsCrossToDsrCdAndCts) {
    // Both ends raised DTR and RTS when they opened.
    EXPECT_EQ(PWGetModemStatus(a) & 0xB0, 0xB0);
    EXPECT_EQ(PWSetDtr(b, 0), 0);
    EXPECT_EQ(GetDsr(a), 0);
    EXPECT_EQ(GetCd(a), 0);
    EXPECT_EQ(GetCts(a), PORTKIT_MS_CTS);
    EXPECT_EQ(PWSetRts(b, 0), 0);
    EXPECT_EQ(GetCts(a), 0);
    EXPECT_EQ(PWSetDtr(b, 1), 0);
    EXPECT_EQ(GetCd(a), PORTKIT_MS_CD);
    EXPECT_EQ(GetDsr(a), PORTKIT_MS_DSR);
    // Turning RTS/CTS flow control off also drops RTS.
    EXPECT_EQ(PWUseRtsCts(b, 1), 0);
    EXPECT_EQ(PWUseRtsCts(b, 0), 0);
    EXPECT_EQ(GetCts(a), 0);
    EXPECT_EQ(GetRi(a), 0);
    ASSERT_TRUE(sim::SetRing(cable, 'a', true));
    EXPECT_EQ(GetRi(a), PORTKIT_MS_RI);
    EXPECT_EQ(GetRi(b), 0);
}

TEST_F(SerialOnSimLine, LineErrorsStayUntilClearLineStatus) {
    ASSERT_TRUE(sim::InjectLineErrors(cable, 'a', CE_FRAME));
    for (int look = 0; look < 3; ++look) EXPECT_EQ(GetFramingError(a), PORTKIT_LS_FRAMING);
    EXPECT_EQ(GetParityError(a), 0);
    EXPECT_EQ(GetFramingError(b), 0);
    EXPECT_EQ(PWClearLineStatus(a), 0);
    EXPECT_EQ(GetFramingError(a), 0);

    ASSERT_TRUE(sim::InjectLineErrors(cable, 'a', CE_RXPARITY | CE_OVERRUN));
    EXPECT_EQ(PWGetLineStatus(a), PORTKIT_LS_PARITY | PORTKIT_LS_OVERRUN);
    EXPECT_EQ(PWGetPortStatus(a), 0);  // line errors never fail a call
}

TEST_F(SerialOnSimLine, BreakIsSeenAtTheFarEnd) {
    EXPECT_EQ(PWSendBreak(b, 20), 0);
    EXPECT_EQ(GetBreakDetect(a), PORTKIT_LS_BREAK);
    EXPECT_EQ(GetBreakDetect(b), 0);
}

TEST_F(SerialOnSimLine, BreakIgnoresAnAbortingIdleHook) {
    SetPortIdleFunctionPtr([](PortStructure *) { return -16; });
    EXPECT_EQ(PWSendBreak(b, 1000), 0);
    SetPortIdleFunctionPtr(nullptr);
    EXPECT_EQ(GetBreakDetect(a), PORTKIT_LS_BREAK);
}

TEST_F(SerialOnSimLine, TimedWriteOnASlowLineGivesUpAtItsDeadline) {
    ASSERT_TRUE(sim::SetLineRate(cable, 1000));
    const std::string block(3000, 'y');
    const int32_t start = ElapsedTime();
    EXPECT_EQ(WriteBufferTimed(a, block.data(), 3000, 500), PORTKIT_BUFFER_FULL);
    const int32_t took = ElapsedTime() - start;
    EXPECT_GE(took, 500);
    EXPECT_LT(took, 1500);
    // About half a second of line time went out, and the queue is full.
    EXPECT_GT(PWGetPortCount(a), 1050 + 300);
    EXPECT_LT(PWGetPortCount(a), 1050 + 800);
    EXPECT_EQ(PWGetPortStatus(a), PORTKIT_BUFFER_FULL);
}

TEST_F(SerialOnSimLine, TwoThreadsMoveAMegabyteIntact) {
    std::vector<char> sent(1 << 20);
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>((i * 7919) >> 3);
    std::vector<char> received(sent.size());
    int write_result = -1;
    std::thread writer(
        [&] { write_result = WriteBufferTimed(a, sent.data(), static_cast<unsigned>(sent.size()), 10000); });
    const int read_result = ReadBufferTimed(b, received.data(), static_cast<unsigned>(received.size()), 10000);
    writer.join();
    EXPECT_EQ(write_result, 0);
    EXPECT_EQ(read_result, 0);
    EXPECT_TRUE(sent == received);
}

TEST_F(SerialOnSimLine, DumpShowsSettingsQueuesAndLines) {
    std::vector<std::string> lines;
    static std::vector<std::string> *sink;
    sink = &lines;
    ASSERT_TRUE(sim::InjectLineErrors(cable, 'a', CE_FRAME));
    EXPECT_EQ(PWDumpPortStatus(a, [](const char *line) { sink->emplace_back(line); }), 0);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "Port type:  MS Windows  DCB BaudRate: 9600    ByteSize: 8  Parity: 0");
    EXPECT_EQ(lines[4], "Null: 0  DtrControl: 1  RtsControl: 1  XonChar: 11  XoffChar: 13");
    EXPECT_EQ(lines[5], "XonLim: 262   XoffLim: 262   EofChr: 00  EvtChr: 00");
    EXPECT_EQ(lines[6], "RX count/free:     0/1050   TX count/free:     0/1050   BREAK/FE/OE/PE: 0100");
    EXPECT_EQ(lines[7], "CE_BREAK:0  CE_FRAME:1  CE_MODE:0 CE_OVERRUN:0");
    EXPECT_EQ(lines[8], "CE_RXOVER:0 CE_RXPARITY:0 CE_TXFULL:0  CTS/DSR/RI/CD: 1101");
    EXPECT_EQ(lines[9], "8250:0000");
}

TEST_F(SerialOnSimLine, QueueSizesFollowTheProcessDefaults) {
    SetDefaultBufferSize(4000, 300);
    setenv("PORTKIT_COM33", ("sim:" + cable + "-sized:a").c_str(), 1);
    PortStructure *sized = PortOpenMSWin32(32, 9600, 'N', 8, 1);
    SetDefaultBufferSize(1050, 1050);
    ASSERT_EQ(PWGetPortStatus(sized), 0);
    EXPECT_EQ(PWSpaceFreeInRXBuffer(sized), 4000);
    EXPECT_EQ(PWSpaceFreeInTXBuffer(sized), 300);
    PWPortClose(sized);
}

}  // namespace
}  // namespace portkit::test
