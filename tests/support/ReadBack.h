// A written file read back with our own SMF parser, as plain values: the
// one place where tests of the writers look at the parser's event records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SmfWriter.h"

namespace Fixture {

struct ReadEvent {
    std::uint32_t delta = 0;
    std::uint8_t status = 0;   // 0xFF for a meta event
    std::uint8_t metaType = 0; // meta events only
    std::string data;          // the bytes after the status (meta: after type and length)
};

struct ReadTrack {
    std::uint32_t length = 0; // as the chunk header says
    std::vector<ReadEvent> events;
};

struct ReadFile {
    std::uint16_t format = 0;
    std::uint16_t tracks = 0;
    std::uint16_t division = 0;
    std::vector<ReadTrack> chunks;
};

// Parses file whole; throws what the parser throws, and std::runtime_error
// when bytes follow the last announced track chunk or the file ends early.
ReadFile readBack(const Bytes& file);

} // namespace Fixture
