// The receiver interface of the SMF push parser.
#pragma once

#include <cstdint>

#include <orbsmf/Records.h>

namespace OrbSMF::Parsers {

// Receives what OrbSMF::Parser reads, as it reads it.  The parser keeps a
// reference to its receiver and never owns it.
//
// Order of calls for one file:
//   onHeaderChunk
//   [onBeginHeaderExtra, onHeaderExtraBytes (one or more), onEndHeaderExtra]
//                                   -- only when the header is longer than 6
//   for each announced track chunk, index 0, 1, ...:
//     onBeginTrackChunk, onTrackEvent (each event in file order), onEndTrackChunk
//   onEndOfSMF                      -- nothing is called after it
//
// Every call is made from inside Parser::feed, on the caller's thread, as soon
// as the parser holds the last byte that the call needs; a call that needs no
// further byte is made in the same feed (an empty chunk's begin and end come
// together, and onEndOfSMF with the last event of the last track).
//
// Lifetimes: an event's bytes are valid only during onTrackEvent (they lie in
// the range being fed, or in the parser's storage when the event arrived in
// pieces); bytes passed to onHeaderExtraBytes only during that call; the
// SMFHeader until onEndOfSMF has returned.  Copy what you keep.
//
// Any exception a receiver throws passes out of feed unchanged and ends the
// parse: every later feed throws an exception of the same type again.
class Hooks {
public:
    virtual ~Hooks() = 0;

    // The header chunk's six data bytes have been read.
    virtual void onHeaderChunk(const SMFHeader& header) = 0;
    // The last announced track chunk has ended; the parse is finished.
    virtual void onEndOfSMF() = 0;
    // The header is longer than 6 bytes; count = header.extra bytes follow.
    virtual void onBeginHeaderExtra(std::uint32_t count) = 0;
    virtual void onEndHeaderExtra() = 0;
    // Some of the extra header bytes: as many as one feed's range holds, up
    // to those still missing.  The counts add up to header.extra; a call with
    // count 0 comes when a range ends right after the division word.
    virtual void onHeaderExtraBytes(const std::uint8_t* bytes, std::uint32_t count) = 0;
    // "MTrk" and the chunk length have been read; track counts from 0.
    virtual void onBeginTrackChunk(std::int32_t track, std::uint32_t length) = 0;
    // The chunk's length is used up.
    virtual void onEndTrackChunk(std::int32_t track) = 0;
    // One complete event of the chunk.
    virtual void onTrackEvent(std::int32_t track, const SMFEvent& event) = 0;
};

} // namespace OrbSMF::Parsers
