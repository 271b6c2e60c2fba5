#include "fuzz_line.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "portkit/transfer.h"

namespace portkit::fuzz {
namespace {

// The engines' pauses (before an answer, after a cancel) run on the real
// clock while input is still waiting. After this many idle turns in one run
// the hook ends every wait, so a pause costs microseconds, not seconds.
constexpr int kIdleTurnBudget = 64;

int EndWaitOnGoneLine(PortStructure *port) {
    if (port == nullptr || port->driver_data == nullptr) return 0;
    return FuzzLine::Of(port).IdleTurnEnds() ? PORTKIT_USER_ABORT : 0;
}

// Stops a transfer once the input is used up, with the code the library's
// own check gives for a dropped carrier.
int StopTransferOnGoneLine(TransferRecord *record) {
    PortStructure *port = record->port;
    if (port == nullptr || port->driver_data == nullptr) return 0;
    return FuzzLine::Of(port).UsedUp() ? PORTKIT_XFER_LOST_CARRIER : 0;
}

}  // namespace

FuzzLine::FuzzLine(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {
    port_ = NewFuzzPort(this, {ReadChar, ReadBuffer, WriteChar, WriteBuffer, SpaceUsed});
}

FuzzLine::~FuzzLine() { CloseFuzzPort(port_); }

FuzzLine &FuzzLine::Of(PortStructure *port) { return *static_cast<FuzzLine *>(port->driver_data); }

bool FuzzLine::IdleTurnEnds() { return UsedUp() || ++idle_turns_ > kIdleTurnBudget; }

int FuzzLine::Gone() {
    port_->count = 0;
    port_->status = PORTKIT_XFER_LOST_CARRIER;
    return PORTKIT_XFER_LOST_CARRIER;
}

int FuzzLine::SpaceUsed(PortStructure *port) {
    FuzzLine &line = Of(port);
    if (line.UsedUp()) return line.Gone();
    return static_cast<int>(std::min<std::size_t>(line.size_ - line.next_, INT_MAX));
}

int FuzzLine::ReadChar(PortStructure *port) {
    FuzzLine &line = Of(port);
    if (line.UsedUp()) return line.Gone();
    return line.data_[line.next_++];
}

int FuzzLine::ReadBuffer(PortStructure *port, char *buffer, unsigned int count) {
    FuzzLine &line = Of(port);
    if (line.UsedUp()) return line.Gone();
    const std::size_t moved = std::min<std::size_t>(count, line.size_ - line.next_);
    std::memcpy(buffer, line.data_ + line.next_, moved);
    line.next_ += moved;
    port->count = static_cast<std::int32_t>(moved);
    return 0;
}

int FuzzLine::WriteChar(PortStructure *port, int c) {
    const char byte = static_cast<char>(c);
    return WriteBuffer(port, &byte, 1);
}

// Every byte is looked at, so the sanitizers see a send that reads past its data.
int FuzzLine::WriteBuffer(PortStructure *port, const char *buffer, unsigned int count) {
    volatile unsigned char seen = 0;
    for (unsigned int i = 0; i < count; ++i) seen = seen ^ static_cast<unsigned char>(buffer[i]);
    port->count = static_cast<std::int32_t>(count);
    return 0;
}

void InstallLineHooks() {
    SetPortIdleFunctionPtr(EndWaitOnGoneLine);
    SetAbortXferFunctionPtr(StopTransferOnGoneLine);
}

PortStructure *NewFuzzPort(void *owner, const FuzzPortSlots &slots) {
    auto *port = static_cast<PortStructure *>(AllocateDriverStructure(sizeof(PortStructure)));
    _InitializeDriverFunctions(port);
    port->driver_data = owner;
    port->functions.ReadChar = slots.read_char;
    port->functions.ReadBuffer = slots.read_buffer;
    port->functions.WriteChar = slots.write_char;
    port->functions.WriteBuffer = slots.write_buffer;
    port->functions.SpaceUsedInRXBuffer = slots.space_used;
    port->functions.ClearTXBuffer = [](PortStructure *) { return 0; };
    port->functions.SpaceUsedInTXBuffer = [](PortStructure *) { return 0; };
    port->functions.SpaceFreeInTXBuffer = [](PortStructure *) { return 1 << 16; };
    return port;
}

void CloseFuzzPort(PortStructure *port) {
    port->driver_data = nullptr;
    PWPortClose(port);
}

}  // namespace portkit::fuzz
