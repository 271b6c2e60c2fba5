// A ring of bytes in memory the driver owns. Plain data: a zero-filled
// record holds an empty ring with no storage.
#ifndef PORTKIT_DRIVERS_WIN32_BYTE_RING_H
#define PORTKIT_DRIVERS_WIN32_BYTE_RING_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "portkit/port.h"

namespace portkit::driver {

struct ByteRing {
    std::uint8_t *bytes;
    std::size_t capacity;
    std::size_t head;  // index of the oldest byte
    std::size_t size;

    bool Allocate(std::size_t wanted) {
        bytes = static_cast<std::uint8_t *>(AllocateDriverStructure(static_cast<unsigned>(wanted)));
        capacity = bytes != nullptr ? wanted : 0;
        head = size = 0;
        return bytes != nullptr;
    }
    void Release() {
        FreeDriverStructure(bytes);
        bytes = nullptr;
        capacity = head = size = 0;
    }

    std::size_t Free() const { return capacity - size; }
    void Clear() { head = size = 0; }

    // The oldest bytes that lie one after the other in memory.
    const std::uint8_t *Front() const { return bytes + head; }
    std::size_t FrontLength() const { return size < capacity - head ? size : capacity - head; }
    void Drop(std::size_t count) {
        if (count > size) count = size;
        head = capacity > 0 ? (head + count) % capacity : 0;
        size -= count;
        if (size == 0) head = 0;  // keeps the next front as long as it can be
    }

    // Room after the newest byte that lies one after the other in memory.
    std::uint8_t *Back() { return bytes + (head + size) % (capacity > 0 ? capacity : 1); }
    std::size_t BackLength() const {
        const std::size_t tail = capacity > 0 ? (head + size) % capacity : 0;
        const std::size_t to_end = capacity - tail;
        return Free() < to_end ? Free() : to_end;
    }
    void Commit(std::size_t count) { size += count; }

    // As much as fits; the count taken.
    std::size_t Push(const void *data, std::size_t count) {
        const auto *from = static_cast<const std::uint8_t *>(data);
        std::size_t done = 0;
        while (done < count && Free() > 0) {
            const std::size_t part = count - done < BackLength() ? count - done : BackLength();
            std::memcpy(Back(), from + done, part);
            Commit(part);
            done += part;
        }
        return done;
    }
    std::size_t Pop(void *data, std::size_t count) {
        auto *to = static_cast<std::uint8_t *>(data);
        std::size_t done = 0;
        while (done < count && size > 0) {
            const std::size_t part = count - done < FrontLength() ? count - done : FrontLength();
            std::memcpy(to + done, Front(), part);
            Drop(part);
            done += part;
        }
        return done;
    }
};

}  // namespace portkit::driver

#endif
