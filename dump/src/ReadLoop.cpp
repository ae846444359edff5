#include <trillo/ReadLoop.h>

#include <algorithm>
#include <limits>

namespace Trillo {

// A range counts at most 2^32 - 1 bytes: a larger piece goes as several.
void ReadLoop::feed(const std::uint8_t* bytes, std::size_t count) {
    constexpr std::size_t kLargestRange = std::numeric_limits<std::uint32_t>::max();
    while (count != 0) {
        if (complete_) throw Ex::TrailingBytes();
        OrbT::ByteRange range{bytes, static_cast<std::uint32_t>(std::min(count, kLargestRange))};
        const std::uint32_t offered = range.count;
        complete_ = !reader_.feed(range);
        bytes += offered - range.count;
        count -= offered - range.count;
    }
}

void ReadLoop::finish() {
    if (complete_) return;
    OrbT::ByteRange end;
    complete_ = !reader_.feed(end); // throws: the SMF is not complete
}

} // namespace Trillo
