#include "SMFTrackMachine.h"

#include <orbsmf/Exceptions.h>

#include "Format.h"
#include "SMFTrackDataMachine.h"

namespace OrbSMF {

namespace {
enum : std::int32_t {
    Start = 0,       // aim at the 8-byte chunk header
    ChunkHeader = 1, // gathering "MTrk" and the length
    Done = 2,        // the data machine has been popped
};
} // namespace

StepResult SMFTrackMachine::step(ByteRange& range) {
    switch (state) {
    case Start:
        chunkHeaderCollector_.aim(chunkHeader_, Format::kChunkHeaderSize);
        state = ChunkHeader;
        [[fallthrough]];
    case ChunkHeader:
        if (!chunkHeaderCollector_.collect(range)) return NeedInput;
        // No other chunk type is skipped: every chunk here must be a track.
        if (Format::readBE32(chunkHeader_) != Format::kTrackMagic) throw Ex::IllegalMagic();
        context_.index = header_.tracksBegun++;
        context_.remaining = Format::readBE32(chunkHeader_ + 4);
        context_.lastStatus = 0;
        state = Done;
        return push(std::make_unique<SMFTrackDataMachine>(context_));
    default:
        return Finished;
    }
}

} // namespace OrbSMF
