#pragma once

#include <cstdint>

namespace OrbSMF {

// The state of one track chunk that outlives each event.
struct TrackContext {
    std::int32_t index = 0;       // the chunk's index in the file, from 0
    std::uint32_t remaining = 0;  // chunk bytes not yet consumed
    std::uint8_t lastStatus = 0;  // running status; 0 means none
};

} // namespace OrbSMF
