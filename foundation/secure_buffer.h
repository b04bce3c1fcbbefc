// SecureBuffer: bytes in guarded memory (sodium_malloc: guard pages, a canary, never swapped
// where the system allows locking), wiped before they are freed. Decrypted data files live in
// one, and a caller may parse XML in place in it. A buffer has a fixed capacity chosen at
// construction and a size that can move within it; it is movable, never copied.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace skyloom {

class SecureBuffer {
public:
    // An empty buffer: no memory, size and capacity 0.
    SecureBuffer() noexcept = default;
    // Room for `capacity` bytes, size 0. Throws std::bad_alloc when guarded memory cannot be
    // had. A capacity of 0 allocates nothing.
    explicit SecureBuffer(std::size_t capacity);
    ~SecureBuffer();

    SecureBuffer(SecureBuffer&& other) noexcept;
    SecureBuffer& operator=(SecureBuffer&& other) noexcept;
    SecureBuffer(const SecureBuffer&) = delete;
    SecureBuffer& operator=(const SecureBuffer&) = delete;

    // Null while nothing is allocated.
    unsigned char* data() noexcept { return data_; }
    const unsigned char* data() const noexcept { return data_; }
    // The same memory as characters (for in-place parsing).
    char* chars() noexcept;
    const char* chars() const noexcept;

    std::size_t size() const noexcept { return size_; }
    std::size_t capacity() const noexcept { return capacity_; }
    bool empty() const noexcept { return size_ == 0; }

    // Sets the number of bytes in use. Throws std::length_error when `size` exceeds the
    // capacity. Bytes beyond a shrunk size are wiped at once.
    void resize(std::size_t size);

    std::span<unsigned char> bytes() noexcept { return {data_, size_}; }
    std::span<const unsigned char> bytes() const noexcept { return {data_, size_}; }
    std::string_view view() const noexcept { return {chars(), size_}; }

    // Wipes and frees the memory now; the buffer is empty afterwards.
    void reset() noexcept;

private:
    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace skyloom
