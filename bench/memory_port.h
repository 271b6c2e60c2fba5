// A port whose received data is a buffer in memory: ReadBuffer hands out its
// next bytes, as many as asked for, until it is drained.
#ifndef PORTKIT_BENCH_MEMORY_PORT_H
#define PORTKIT_BENCH_MEMORY_PORT_H

#include <algorithm>
#include <cstring>
#include <vector>

#include "portkit/port.h"

namespace portkit::bench {

class MemoryPort {
public:
    explicit MemoryPort(const std::vector<char> &data) : data_(data) {
        port_.driver_data = this;
        port_.functions.ReadBuffer = ReadBuffer;
    }
    MemoryPort(const MemoryPort &) = delete;
    MemoryPort &operator=(const MemoryPort &) = delete;

    PortStructure *port() { return &port_; }
    bool Drained() const { return position_ == data_.size(); }

private:
    static int ReadBuffer(PortStructure *port, char *buffer, unsigned int count) {
        auto *self = static_cast<MemoryPort *>(port->driver_data);
        const std::size_t n = std::min<std::size_t>(count, self->data_.size() - self->position_);
        std::memcpy(buffer, self->data_.data() + self->position_, n);
        self->position_ += n;
        port->count = static_cast<int>(n);
        return n == 0 ? PORTKIT_BUFFER_EMPTY : PORTKIT_SUCCESS;
    }

    const std::vector<char> &data_;
    std::size_t position_ = 0;
    PortStructure port_{};  // only the slot the emulator reads through is filled
};

}  // namespace portkit::bench

#endif
