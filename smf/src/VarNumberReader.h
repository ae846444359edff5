#pragma once

#include <cstdint>

#include <orbsmf/ByteRange.h>
#include <orbsmf/Exceptions.h>

#include "Format.h"

namespace OrbSMF {

// Reads one variable-length number (a delta time or a system exclusive
// length) over any number of ranges: 7 bits per byte, highest bits first, bit
// 7 set on every byte but the last.
class VarNumberReader {
public:
    // limit: the chunk's bytes left when the number begins.
    void start(std::uint32_t chunkRemaining) {
        value = 0;
        used = 0;
        limit = chunkRemaining;
    }

    // Returns true once the number is complete, false when the range ran out
    // first.  Each test is made only when a further byte is there to take:
    // first that the chunk has room for it, then that it is not a fifth byte.
    bool read(ByteRange& range) {
        while (!range.empty()) {
            if (used >= limit) throw Ex::ChunkOverrun();
            if (used >= Format::kMaxVarNumberBytes) throw Ex::TooLongVarInteger();
            const std::uint8_t b = *range.cursor;
            range.advance(1);
            ++used;
            value = (value << 7) | (b & 0x7Fu);
            if ((b & 0x80u) == 0) return true;
        }
        return false;
    }

    std::uint32_t value = 0; // the number so far
    std::uint32_t limit = 0;
    std::uint32_t used = 0;  // bytes read so far
};

} // namespace OrbSMF
