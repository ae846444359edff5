// ByteRange: the unit of input that every push parser consumes.
#pragma once

#include <cstdint>

namespace OrbT {

// The unread bytes of a block: a cursor to the first one and their count.
// Consumers take bytes from the front and advance the range in place, so the
// caller sees what is left.  Given to a parser's feed, an empty range means
// that the input has ended.
struct ByteRange {
    const std::uint8_t* cursor = nullptr;
    std::uint32_t count = 0;

    bool empty() const { return count == 0; }

    // Drops n bytes from the front; n must not exceed count.
    void advance(std::uint32_t n) {
        cursor += n;
        count -= n;
    }
};

} // namespace OrbT
