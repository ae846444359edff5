#include "SMFMachine.h"

#include "SMFHeaderMachine.h"
#include "SMFTrackMachine.h"

namespace OrbSMF {

namespace {
enum : std::int32_t {
    Start = 0,        // nothing done yet
    ReadHeader = 1,   // push the header chunk's machine
    ReadTracks = 2,   // push a track machine per announced chunk not yet begun
    EndOfFile = 3,    // every chunk has ended: report the end
};
} // namespace

StepResult SMFMachine::step(ByteRange&) {
    switch (state) {
    case Start:
        state = ReadHeader;
        [[fallthrough]];
    case ReadHeader:
        state = ReadTracks;
        return push(std::make_unique<SMFHeaderMachine>(header));
    case ReadTracks:
        if (header.tracksBegun < header.tracks)
            return push(std::make_unique<SMFTrackMachine>(header));
        state = EndOfFile;
        [[fallthrough]];
    case EndOfFile:
    default:
        receiver().onEndOfSMF();
        return Finished;
    }
}

} // namespace OrbSMF
