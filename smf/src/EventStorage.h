// Where an event that arrives in pieces is put together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace OrbSMF {

// A byte buffer that grows only as bytes arrive: an event's announced length
// reserves nothing, so a lying length costs no memory.  It grows by doubling
// while small and by kStep once large, with realloc, which extends a large
// block in place (glibc remaps it); so an event of s bytes needs at most
// s + kStep bytes, never two copies of itself.
class EventStorage {
public:
    static constexpr std::size_t kStep = 1024 * 1024;
    // A buffer that grew past this is released once its event is reported.
    static constexpr std::size_t kKept = 64 * 1024;

    EventStorage() = default;
    ~EventStorage() { std::free(bytes_); }
    EventStorage(const EventStorage&) = delete;
    EventStorage& operator=(const EventStorage&) = delete;

    const std::uint8_t* data() const { return bytes_; }
    std::uint32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Appends count bytes; limit is the event's whole size, beyond which the
    // buffer never grows.  Throws std::bad_alloc, keeping what it held.
    void append(const std::uint8_t* from, std::uint32_t count, std::uint32_t limit) {
        const std::size_t needed = std::size_t{size_} + count;
        if (needed > capacity_) grow(needed, limit);
        std::memcpy(bytes_ + size_, from, count);
        size_ += count;
    }

    // Empties the buffer for the next event; a large one is released.
    void clear() {
        size_ = 0;
        if (capacity_ > kKept) {
            std::free(bytes_);
            bytes_ = nullptr;
            capacity_ = 0;
        }
    }

private:
    void grow(std::size_t needed, std::size_t limit) {
        std::size_t capacity = capacity_ + (capacity_ < kStep ? capacity_ : kStep);
        if (capacity < needed) capacity = needed;
        if (capacity > limit) capacity = limit;
        void* grown = std::realloc(bytes_, capacity);
        if (grown == nullptr) throw std::bad_alloc();
        bytes_ = static_cast<std::uint8_t*>(grown);
        capacity_ = capacity;
    }

    std::uint8_t* bytes_ = nullptr;
    std::size_t capacity_ = 0;
    std::uint32_t size_ = 0;
};

} // namespace OrbSMF
