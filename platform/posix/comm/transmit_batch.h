// Output held back in user space while a transfer runs, so that writing a
// byte at a time costs no system call. Bytes leave from the front; when the
// line takes only part of the batch, the rest stays where it is and moves
// to the front only when an append needs the room behind it.
#ifndef PORTKIT_PLATFORM_POSIX_COMM_TRANSMIT_BATCH_H
#define PORTKIT_PLATFORM_POSIX_COMM_TRANSMIT_BATCH_H

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

    std::size_t size() const { return end_ - begin_; }
    bool empty() const { return end_ == begin_; }
    const std::uint8_t *data() const { return storage_.data() + begin_; }
    void clear() { begin_ = end_ = 0; }

    // Takes bytes until the batch holds `limit` (or its storage is full).
    std::size_t Append(const std::uint8_t *bytes, std::size_t count, std::size_t limit) {
        const std::size_t held = size();
        const std::size_t fits = std::min(limit, storage_.size());
        const std::size_t n = held >= fits ? 0 : std::min(count, fits - held);
        if (n == 0) return 0;
        if (end_ + n > storage_.size()) {
            std::memmove(storage_.data(), storage_.data() + begin_, held);
            begin_ = 0;
            end_ = held;
        }
        if (n == 1) {
            storage_[end_] = bytes[0];
        } else {
            std::memcpy(storage_.data() + end_, bytes, n);
        }
        end_ += n;
        return n;
    }

    // Drops `count` bytes that went to the line.
    void Consume(std::size_t count) {
        begin_ += std::min(count, size());
        if (begin_ == end_) clear();
    }

private:
    std::vector<std::uint8_t> storage_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

}  // namespace portkit::posix

#endif
