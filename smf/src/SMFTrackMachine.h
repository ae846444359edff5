#pragma once

#include <cstdint>

#include <orbsmf/Records.h>

#include "ByteCollector.h"
#include "StateMachine.h"
#include "TrackContext.h"

namespace OrbSMF {

// The 8-byte header of one track chunk ("MTrk" and its length); then it
// pushes the data machine for the chunk's events.
class SMFTrackMachine final : public StateMachine {
public:
    explicit SMFTrackMachine(SMFHeader& header) : header_(header) {}
    StepResult step(ByteRange& range) override;

private:
    SMFHeader& header_;
    std::uint8_t chunkHeader_[8] = {};
    ByteCollector chunkHeaderCollector_;
    TrackContext context_;
};

} // namespace OrbSMF
