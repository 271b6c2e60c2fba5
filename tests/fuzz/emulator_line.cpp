#include "emulator_line.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "fuzz_line.h"

namespace portkit::fuzz {

EmulatorLine::EmulatorLine() : port_(NewFuzzPort(this, {ReadChar, ReadBuffer, WriteChar, WriteBuffer, SpaceUsed})) {}

EmulatorLine::~EmulatorLine() { CloseFuzzPort(port_); }

void EmulatorLine::Receive(const std::uint8_t *data, std::size_t size) {
    received_.erase(0, next_);
    next_ = 0;
    received_.append(reinterpret_cast<const char *>(data), size);
}

std::vector<int> EmulatorLine::TakeSent() { return std::exchange(sent_, {}); }

EmulatorLine &EmulatorLine::Of(PortStructure *port) { return *static_cast<EmulatorLine *>(port->driver_data); }

int EmulatorLine::ReadChar(PortStructure *port) {
    EmulatorLine &line = Of(port);
    if (line.next_ == line.received_.size()) return PORTKIT_BUFFER_EMPTY;
    return static_cast<unsigned char>(line.received_[line.next_++]);
}

int EmulatorLine::ReadBuffer(PortStructure *port, char *buffer, unsigned int count) {
    EmulatorLine &line = Of(port);
    const std::size_t moved = std::min<std::size_t>(count, line.received_.size() - line.next_);
    std::memcpy(buffer, line.received_.data() + line.next_, moved);
    line.next_ += moved;
    port->count = static_cast<std::int32_t>(moved);
    return 0;
}

int EmulatorLine::WriteChar(PortStructure *port, int c) {
    Of(port).sent_.push_back(c);
    return 0;
}

int EmulatorLine::WriteBuffer(PortStructure *port, const char *buffer, unsigned int count) {
    for (unsigned int i = 0; i < count; ++i) Of(port).sent_.push_back(static_cast<unsigned char>(buffer[i]));
    port->count = static_cast<std::int32_t>(count);
    return 0;
}

int EmulatorLine::SpaceUsed(PortStructure *port) {
    const EmulatorLine &line = Of(port);
    return static_cast<int>(std::min<std::size_t>(line.received_.size() - line.next_, INT_MAX));
}

}  // namespace portkit::fuzz
