#include "SMFHeaderMachine.h"

#include <algorithm>

#include <orbsmf/Exceptions.h>

#include "Format.h"

namespace OrbSMF {

namespace {
enum : std::int32_t {
    Start = 0,       // aim at the 8-byte chunk header
    ChunkHeader = 1, // gathering "MThd" and the length
    Data = 2,        // gathering format, tracks and division
    Extra = 3,       // passing on the bytes beyond the six
    Done = 4,
};
} // namespace

StepResult SMFHeaderMachine::step(ByteRange& range) {
    switch (state) {
    case Start:
        chunkHeaderCollector_.aim(chunkHeader_, Format::kChunkHeaderSize);
        state = ChunkHeader;
        [[fallthrough]];
    case ChunkHeader: {
        if (!chunkHeaderCollector_.collect(range)) return NeedInput;
        // The type is tested before the length.
        if (Format::readBE32(chunkHeader_) != Format::kHeaderMagic) throw Ex::IllegalMagic();
        const std::uint32_t length = Format::readBE32(chunkHeader_ + 4);
        if (length < Format::kHeaderDataSize) throw Ex::TooShortHeader();
        header_.length = length;
        header_.extra = length - Format::kHeaderDataSize;
        dataCollector_.aim(data_, Format::kHeaderDataSize);
        state = Data;
    }
        [[fallthrough]];
    case Data:
        if (!dataCollector_.collect(range)) return NeedInput;
        header_.format = Format::readBE16(data_);
        header_.tracks = Format::readBE16(data_ + 2);
        header_.division = Format::readBE16(data_ + 4);
        receiver().onHeaderChunk(header_);
        if (header_.extra == 0) {
            state = Done;
            return Finished;
        }
        extraLeft_ = header_.extra;
        receiver().onBeginHeaderExtra(extraLeft_);
        state = Extra;
        [[fallthrough]];
    case Extra:
        return passExtraBytes(range);
    default:
        return Finished;
    }
}

// One onHeaderExtraBytes per range that reaches the extra bytes, with as many
// of them as it holds (possibly none).
StepResult SMFHeaderMachine::passExtraBytes(ByteRange& range) {
    const std::uint32_t n = std::min(range.count, extraLeft_);
    receiver().onHeaderExtraBytes(range.cursor, n);
    range.advance(n);
    extraLeft_ -= n;
    if (extraLeft_ != 0) return NeedInput;
    receiver().onEndHeaderExtra();
    state = Done;
    return Finished;
}

} // namespace OrbSMF
