#pragma once

#include <cstdint>

#include <orbsmf/Records.h>

#include "ByteCollector.h"
#include "StateMachine.h"

namespace OrbSMF {

// The header chunk: "MThd", its length, format, tracks and division, then any
// extra bytes up to the chunk's length, which are passed on uncopied.
class SMFHeaderMachine final : public StateMachine {
public:
    explicit SMFHeaderMachine(SMFHeader& header) : header_(header) {}
    StepResult step(ByteRange& range) override;

private:
    StepResult passExtraBytes(ByteRange& range);

    SMFHeader& header_;
    std::uint8_t chunkHeader_[8] = {};
    ByteCollector chunkHeaderCollector_;
    std::uint8_t data_[6] = {};
    ByteCollector dataCollector_;
    std::uint32_t extraLeft_ = 0; // extra header bytes still to pass on
};

} // namespace OrbSMF
