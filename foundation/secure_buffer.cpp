#include "foundation/secure_buffer.h"

#include <new>
#include <stdexcept>
#include <utility>

#include <sodium.h>

#include "foundation/sodium_library.h"

namespace skyloom {

SecureBuffer::SecureBuffer(std::size_t capacity) {
    if (capacity == 0) {
        return;
    }
    gf_ensureSodium();
    data_ = static_cast<unsigned char*>(sodium_malloc(capacity));
    if (data_ == nullptr) {
        throw std::bad_alloc();
    }
    capacity_ = capacity;
}

SecureBuffer::~SecureBuffer() {
    reset();
}

SecureBuffer::SecureBuffer(SecureBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

SecureBuffer& SecureBuffer::operator=(SecureBuffer&& other) noexcept {
    if (this != &other) {
        reset();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

char* SecureBuffer::chars() noexcept {
    return reinterpret_cast<char*>(data_);
}

const char* SecureBuffer::chars() const noexcept {
    return reinterpret_cast<const char*>(data_);
}

void SecureBuffer::resize(std::size_t size) {
    if (size > capacity_) {
        throw std::length_error("SecureBuffer::resize: size exceeds capacity");
    }
    if (size < size_) {
        sodium_memzero(data_ + size, size_ - size);
    }
    size_ = size;
}

void SecureBuffer::reset() noexcept {
    if (data_ != nullptr) {
        // sodium_free wipes as well; the explicit wipe keeps that promise visible here and
        // independent of the library's version.
        sodium_memzero(data_, capacity_);
        sodium_free(data_);
    }
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
}

} // namespace skyloom
