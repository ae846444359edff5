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
};

enum SMFEventKind : std::int32_t {
    Channel = 0, // a channel message, status 0x80-0xEF
    SysEx = 1,   // a system exclusive event, introduced by 0xF0 or 0xF7
    Meta = 2,    // a meta event, introduced by 0xFF
};

// One complete event of a track chunk, as the receiver sees it during
// onTrackEvent.  data and size are the event's bytes after its status and,
// for a meta event, after its type and length:
//
//   kind     status                     data
//   Channel  0x80-0xEF (also when it    its 1 or 2 data bytes
//            was implied: runningStatus)
//   SysEx    0xF0 or 0xF7               the n bytes after the length number
//   Meta     0xFF                       the L bytes after the length byte L
//
// data points into the range being fed when the whole event lies there, and
// into the parser's storage when the event arrived in pieces; either way it
// is valid only during the call (copy what you keep), and it is not followed
// by a 0 byte.  An event of size 0 may carry any pointer, null included.
//
// The record lives inside the parser and cannot be copied: a copy would
// point at bytes that are gone after the call.
struct SMFEvent {
    SMFEvent() = default;
    SMFEvent(const SMFEvent&) = delete;
    SMFEvent& operator=(const SMFEvent&) = delete;

    SMFEventKind kind = Channel;
    std::uint8_t status = 0;    // see above
    std::uint8_t metaType = 0;  // Meta events: the type byte (0x01 text, 0x51 tempo, ...); else 0
    bool runningStatus = false; // a Channel event whose status byte was implied
    std::uint32_t delta = 0;    // ticks since the previous event of the chunk; <= 0x0FFFFFFF
    std::uint32_t tick = 0;     // the chunk's delta times up to this event's; wraps modulo 2^32
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0; // bytes at data
};

} // namespace OrbSMF
