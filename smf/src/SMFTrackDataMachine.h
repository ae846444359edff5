#pragma once

#include <cstdint>

#include <orbsmf/Records.h>

#include "ByteCollector.h"
#include "StateMachine.h"
#include "TrackContext.h"
#include "VarNumberReader.h"

namespace OrbSMF {

// The events inside one track chunk.  Assembles each event's bytes in one
// SMFEvent whose storage only grows, and reports it.  Two rules hold: every
// byte of every event lies inside the chunk, and the chunk ends exactly when
// its length is used up.
class SMFTrackDataMachine final : public StateMachine {
public:
    explicit SMFTrackDataMachine(TrackContext& context);
    ~SMFTrackDataMachine() override;
    StepResult step(ByteRange& range) override;

private:
    void startNumber();
    // Charges a complete number's bytes to the chunk.
    void chargeNumber();
    void readStatus(ByteRange& range);
    void beginEvent(SMFEventKind kind, std::uint32_t size, std::uint32_t bodyBytes);
    void append(std::uint8_t b);
    bool gatherBody(ByteRange& range);
    void reserve(std::uint32_t count, std::uint32_t keep);
    void releaseStorage();

    TrackContext* context_;
    SMFEvent event_;
    std::uint32_t written_ = 0; // bytes of the byte string written so far
    std::uint32_t toWrite_ = 0; // bytes of the byte string still to come from the input
    ByteCollector bodyCollector_;
    VarNumberReader number_;
    std::uint8_t metaPrefixBytes_[2] = {}; // a meta event's type and length
    ByteCollector metaPrefix_;
    std::uint32_t pendingDelta_ = 0;
};

} // namespace OrbSMF
