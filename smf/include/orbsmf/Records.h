// The records that the SMF parser hands to its receiver.
#pragma once

#include <cstdint>

namespace OrbSMF {

// The header chunk.  Multi-byte fields are big-endian in the file and held
// here in host order.
struct SMFHeader {
    std::uint16_t format = 0;   // not checked by the parser
    std::uint16_t tracks = 0;   // track chunks announced; exactly this many are read
    std::uint16_t division = 0; // as stored: bit 15 set is an SMPTE time code
    std::uint32_t length = 0;   // the header chunk's length, at least 6
    std::uint32_t extra = 0;    // length - 6: header bytes after the division word
    std::int32_t tracksBegun = 0; // track chunks begun so far; 0 at onHeaderChunk
};

enum SMFEventKind : std::int32_t {
    Channel = 0, // a channel message, status 0x80-0xEF
    SysEx = 1,   // a system exclusive event, introduced by 0xF0 or 0xF7
    Meta = 2,    // a meta event, introduced by 0xFF
};

// One complete event of a track chunk.
//
// The byte string of each kind:
//   Channel  the status byte (also when it was implied by running status),
//            then 1 or 2 data bytes                         length 2 or 3
//   SysEx    F0 then the n bytes after the length number    length n + 1
//            (from F7: the n bytes alone, no F7 in front)   length n
//   Meta     FF, type, length byte L, L data bytes, one 0   length L + 4
//
// The 0 after a meta event's data lets a text event be read as a terminated
// string starting at bytes + 3.
struct SMFEvent {
    SMFEventKind kind = Channel;
    std::uint32_t delta = 0;    // ticks since the previous event of the chunk; <= 0x0FFFFFFF
    std::uint32_t length = 0;   // bytes in the byte string
    std::uint32_t capacity = 0; // bytes the current storage holds (decoder's bookkeeping)
    // Points at inlineBytes while capacity is 1 to 4, at the decoder's heap
    // block when it is more, and is null while no event of the chunk needed
    // storage (so an event of length 0 may carry a null pointer).
    std::uint8_t* bytes = nullptr;
    std::uint8_t inlineBytes[4] = {0, 0, 0, 0};
    bool runningStatus = false; // a Channel event whose status byte was implied
};

} // namespace OrbSMF
