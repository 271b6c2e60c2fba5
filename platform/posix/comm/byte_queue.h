// A fixed-capacity ring of bytes: the user-space transmit and receive queues.
#ifndef PORTKIT_PLATFORM_POSIX_COMM_BYTE_QUEUE_H
#define PORTKIT_PLATFORM_POSIX_COMM_BYTE_QUEUE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace portkit::posix {

class ByteQueue {
public:
    explicit ByteQueue(std::size_t capacity = 0) { Resize(capacity); }

    // Drops the contents.
    void Resize(std::size_t capacity) {
        storage_.assign(std::max<std::size_t>(capacity, 1), 0);
        capacity_ = capacity;
        head_ = size_ = 0;
    }

    std::size_t capacity() const { return capacity_; }
    std::size_t size() const { return size_; }
    std::size_t space() const { return capacity_ - size_; }
    bool empty() const { return size_ == 0; }
    void clear() { head_ = size_ = 0; }

    std::size_t Push(const std::uint8_t *data, std::size_t count) {
        count = std::min(count, space());
        std::size_t done = 0;
        while (done < count) {
            std::span<std::uint8_t> room = WritableRegion();
            const std::size_t n = std::min(room.size(), count - done);
            std::memcpy(room.data(), data + done, n);
            size_ += n;
            done += n;
        }
        return count;
    }

    std::size_t Pop(std::uint8_t *data, std::size_t count) {
        count = std::min(count, size_);
        std::size_t done = 0;
        while (done < count) {
            std::span<const std::uint8_t> front = ReadableRegion();
            const std::size_t n = std::min(front.size(), count - done);
            std::memcpy(data + done, front.data(), n);
            Consume(n);
            done += n;
        }
        return count;
    }

    // The oldest bytes that lie contiguously in the ring.
    std::span<const std::uint8_t> ReadableRegion() const {
        return {storage_.data() + head_, std::min(size_, capacity_ - head_)};
    }
    void Consume(std::size_t count) {
        head_ = capacity_ == 0 ? 0 : (head_ + count) % capacity_;
        size_ -= count;
        if (size_ == 0) head_ = 0;
    }

    // Free room that lies contiguously after the newest byte.
    std::span<std::uint8_t> WritableRegion() {
        if (size_ == capacity_) return {};
        const std::size_t tail = (head_ + size_) % capacity_;
        const std::size_t end = tail >= head_ ? capacity_ : head_;
        return {storage_.data() + tail, end - tail};
    }
    void Commit(std::size_t count) { size_ += count; }

private:
    std::vector<std::uint8_t> storage_;
    std::size_t capacity_ = 0;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

}  // namespace portkit::posix

#endif
