// Dispatch through the slots, the -24 defaults and the sticky status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_driver.h"

namespace portkit::test {
namespace {

std::vector<std::string> printed_lines;
void RecordLine(const char *line) { printed_lines.emplace_back(line); }

int last_parity_seen = -1;
int RecordParity(PortStructure *, long, int parity, int, int) {
    last_parity_seen = parity;
    return 0;
}

TEST(DefaultSlots, EveryUnfilledOperationAnswersNotSupportedAndStoresIt) {
    PortStructure *port = OpenBarePort();
    char buffer[4] = {};
    const std::vector<std::pair<const char *, int (*)(PortStructure *)>> calls = {
        {"ReadChar", PWReadChar},
        {"PeekChar", PWPeekChar},
        {"WriteChar", [](PortStructure *p) { return PWWriteChar(p, 'A'); }},
        {"PortSet", [](PortStructure *p) { return PWPortSet(p, 9600, "N", 8, 1); }},
        {"UseXonXoff", [](PortStructure *p) { return PWUseXonXoff(p, 1); }},
        {"UseRtsCts", [](PortStructure *p) { return PWUseRtsCts(p, 1); }},
        {"UseDtrDsr", [](PortStructure *p) { return PWUseDtrDsr(p, 1); }},
        {"SetDtr", [](PortStructure *p) { return PWSetDtr(p, 1); }},
        {"SetRts", [](PortStructure *p) { return PWSetRts(p, 1); }},
        {"SpaceFreeInTXBuffer", PWSpaceFreeInTXBuffer},
        {"SpaceUsedInTXBuffer", PWSpaceUsedInTXBuffer},
        {"SpaceFreeInRXBuffer", PWSpaceFreeInRXBuffer},
        {"SpaceUsedInRXBuffer", PWSpaceUsedInRXBuffer},
        {"ClearTXBuffer", PWClearTXBuffer},
        {"SendBreak", [](PortStructure *p) { return PWSendBreak(p, 10); }},
        {"GetModemStatus", PWGetModemStatus},
        {"GetLineStatus", PWGetLineStatus},
        {"ClearLineStatus", PWClearLineStatus},
        {"Block", [](PortStructure *p) { return PWBlock(p, 1); }},
    };
    for (const auto &[name, call] : calls) {
        PWClearError(port);
        EXPECT_EQ(call(port), PORTKIT_NOT_SUPPORTED) << name;
        EXPECT_EQ(PWGetPortStatus(port), PORTKIT_NOT_SUPPORTED) << name;
    }
    PWClearError(port);
    EXPECT_EQ(PWWriteBuffer(port, "ab", 2), PORTKIT_NOT_SUPPORTED);
    PWClearError(port);
    EXPECT_EQ(PWReadBuffer(port, buffer, sizeof buffer), PORTKIT_NOT_SUPPORTED);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_NOT_SUPPORTED);
    EXPECT_EQ(PWPortClose(port), 0);
}

TEST(DefaultSlots, DumpWithoutDriverSupportPrintsTwoLines) {
    PortStructure *port = OpenBarePort();
    printed_lines.clear();
    EXPECT_EQ(PWDumpPortStatus(port, RecordLine), PORTKIT_NOT_SUPPORTED);
    ASSERT_EQ(printed_lines.size(), 2u);
    EXPECT_EQ(printed_lines[0], "Port dump not supported for this driver");
    EXPECT_EQ(printed_lines[1], "");
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_NOT_SUPPORTED);
    PWPortClose(port);
}

TEST(DefaultSlots, InitialisationResetsSlotsAndDialingButKeepsIdentity) {
    auto *port = static_cast<PortStructure *>(AllocateDriverStructure(sizeof(PortStructure)));
    port->handle = 12;
    port->status = -9;
    port->count = 5;
    port->driver_type = 15;
    port->dialing_method = 3;
    port->functions.ReadChar = [](PortStructure *) -> int { return 'x'; };
    _InitializeDriverFunctions(port);
    EXPECT_EQ(PWReadChar(port), PORTKIT_NOT_SUPPORTED);
    EXPECT_EQ(PWGetPortDialingMethod(port), 0);
    EXPECT_EQ(PWGetPortHandle(port), 12);
    EXPECT_EQ(PWGetPortCount(port), 5);
    EXPECT_EQ(PWGetPortDriverType(port), 15);
    EXPECT_EQ(port->instance_data, GetDSInstanceDataPtr());
    PWPortClose(port);
}

TEST(GenericCalls, PortSetPassesTheParityCharacterAsAnUnsignedByte) {
    PortStructure *port = OpenBarePort();
    port->functions.PortSet = RecordParity;
    EXPECT_EQ(PWPortSet(port, 9600, "e", 8, 1), 0);
    EXPECT_EQ(last_parity_seen, 'e');
    const char high[] = {static_cast<char>(0xE5), 0};
    PWPortSet(port, 9600, high, 8, 1);
    EXPECT_EQ(last_parity_seen, 0xE5);
    PWPortClose(port);
}

TEST(GenericCalls, DriverTypeIsSignExtended) {
    PortStructure *port = _OutOfMemoryPort();
    EXPECT_EQ(PWGetPortDriverType(port), -1);
}

TEST(StickyStatus, FailureStaysUntilClearErrorWhileSuccessesLeaveIt) {
    FakeDriverState state;
    PortStructure *port = OpenFakePort(&state);
    EXPECT_EQ(PWReadChar(port), PORTKIT_NOT_SUPPORTED);
    state.modem_status = 0x30;
    EXPECT_EQ(PWGetModemStatus(port), 0x30);
    EXPECT_EQ(PWGetPortStatus(port), PORTKIT_NOT_SUPPORTED);
    EXPECT_EQ(PWClearError(port), 0);
    EXPECT_EQ(PWGetPortStatus(port), 0);
    PWPortClose(port);
}

TEST(StickyStatus, ClearErrorGoesThroughTheDriverSlot) {
    PortStructure *port = OpenBarePort();
    port->functions.ClearError = [](PortStructure *p) { p->status = -1; };
    port->status = -9;
    EXPECT_EQ(PWClearError(port), 0);
    EXPECT_EQ(PWGetPortStatus(port), -1);
    PWPortClose(port);
}

}  // namespace
}  // namespace portkit::test
