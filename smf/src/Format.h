// The byte grammar of a Standard MIDI File, as far as this reader needs it.
//
//   file         = header-chunk track-chunk*          (as many as announced)
//   header-chunk = "MThd" length:u32 format:u16 tracks:u16 division:u16
//                  extra-byte*                        (length - 6 of them)
//   track-chunk  = "MTrk" length:u32 event*           (exactly length bytes)
//   event        = delta:varnum (channel | sysex | meta)
//   channel      = [status 0x80-0xEF] data data?      (status may be implied)
//   sysex        = (0xF0 | 0xF7) n:varnum byte{n}
//   meta         = 0xFF type:u8 L:u8 byte{L}          (L is one plain byte)
//   varnum       = 1 to 4 bytes, 7 bits each, high bit = "more follows"
//
// Numbers are big-endian.  Chunk types are compared as the big-endian 32-bit
// number of their four ASCII bytes.
//
// The meta length is one plain byte here, not a variable-length number: the
// files this reader is for write it so, and a length byte of 0x80 or more
// stands for that many data bytes.
#pragma once

#include <cstdint>

namespace OrbSMF::Format {

constexpr std::uint32_t kHeaderMagic = 0x4D546864; // "MThd"
constexpr std::uint32_t kTrackMagic = 0x4D54726B;  // "MTrk"
constexpr std::uint32_t kChunkHeaderSize = 8;      // type and length
constexpr std::uint32_t kHeaderDataSize = 6;       // format, tracks, division

constexpr std::uint8_t kStatusBit = 0x80;   // set in every status byte
constexpr std::uint8_t kSysExStart = 0xF0;  // system exclusive
constexpr std::uint8_t kSysExEscape = 0xF7; // system exclusive, bytes as they stand
constexpr std::uint8_t kMeta = 0xFF;
constexpr std::uint8_t kFirstSystemStatus = 0xF0; // 0xF0-0xFF are not channel messages
constexpr std::uint32_t kMetaPrefixSize = 2;      // a meta event's type and length bytes

constexpr std::uint32_t kMaxVarNumberBytes = 4;
constexpr std::uint8_t kVarNumberMore = 0x80; // set on every byte of a number but its last
constexpr std::uint8_t kVarNumberBits = 0x7F;

// Data bytes of a channel message, by its status byte (0x80-0xEF): Program
// Change and Channel Pressure carry one, the other five messages two.
constexpr std::uint32_t channelDataLength(std::uint8_t status) {
    const std::uint8_t high = status & 0xF0;
    return (high == 0xC0 || high == 0xD0) ? 1 : 2;
}

inline std::uint32_t readBE32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
}

inline std::uint16_t readBE16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

} // namespace OrbSMF::Format
