// ByteCollector gathers a fixed number of bytes over any number of ranges.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <orbsmf/ByteRange.h>

namespace OrbSMF {

class ByteCollector {
public:
    // Start gathering count bytes into target.
    void aim(std::uint8_t* target, std::uint32_t count) {
        position_ = target;
        remaining_ = count;
    }

    // Copies as many of the missing bytes as the range holds, in one block.
    // Returns true once all bytes are gathered.
    bool collect(ByteRange& range) {
        const std::uint32_t n = std::min(range.count, remaining_);
        if (n != 0) {
            std::memcpy(position_, range.cursor, n);
            position_ += n;
            remaining_ -= n;
            range.advance(n);
        }
        return remaining_ == 0;
    }

    std::uint32_t remaining() const { return remaining_; }

private:
    std::uint8_t* position_ = nullptr;
    std::uint32_t remaining_ = 0;
};

} // namespace OrbSMF
