#include <trillo/ReadLoop.h>

#include <algorithm>
#include <limits>

namespace Trillo {

// A range counts at most 2^32 - 1 bytes: a larger piece goes as several.
void ReadLoop::feed(const std::uint8_t* bytes, std::size_t count) {
    constexpr std::size_t kLargestRange = std::numeric_limits<std::uint32_t>::max();
    for (std::size_t at = 0; at < count; at += kLargestRange) {
        OrbT::ByteRange range{bytes + at, static_cast<std::uint32_t>(std::min(count - at, kLargestRange))};
        feed(range);
    }
}

void ReadLoop::finish() {
    OrbT::ByteRange end;
    feed(end); // throws unless the SMF is complete
}

} // namespace Trillo
