// Output held back in user space while a transfer runs, so that writing a
// byte at a time costs no system call. Bytes leave from the front; when the
// line takes only part of the batch, the rest moves to the front for the
// next try.
#ifndef PORTKIT_PLATFORM_POSIX_TRANSMIT_BATCH_H
#define PORTKIT_PLATFORM_POSIX_TRANSMIT_BATCH_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace portkit::posix {

class TransmitBatch {
public:
    // Keeps what is held; never shrinks below it.
    void Reserve(std::size_t capacity) {
        if (capacity > storage_.size()) storage_.resize(capacity);
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const std::uint8_t *data() const { return storage_.data(); }
    void clear() { size_ = 0; }

    // Takes bytes until the batch holds `limit` (or its storage is full).
    std::size_t Append(const std::uint8_t *bytes, std::size_t count, std::size_t limit) {
        const std::size_t end = std::min(limit, storage_.size());
        const std::size_t n = size_ >= end ? 0 : std::min(count, end - size_);
        if (n == 1) {
            storage_[size_] = bytes[0];
        } else if (n > 0) {
            std::memcpy(storage_.data() + size_, bytes, n);
        }
        size_ += n;
        return n;
    }

    // Drops `count` bytes that went to the line.
    void Consume(std::size_t count) {
        count = std::min(count, size_);
        size_ -= count;
        if (size_ > 0) std::memmove(storage_.data(), storage_.data() + count, size_);
    }

private:
    std::vector<std::uint8_t> storage_;
    std::size_t size_ = 0;
};

}  // namespace portkit::posix

#endif
