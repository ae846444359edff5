// OrbSMF::Writer, which writes a Standard MIDI File front to back.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include <orbt/ByteSink.h>

namespace OrbSMF {

// The sizes of what Writer writes, for a caller that must know a track
// chunk's length before its events (see Writer).
namespace Writing {

// The largest variable-length number, four bytes of seven bits: the longest
// delta time.
constexpr std::uint32_t kMaxVarNumber = 0x0FFFFFFF;

// The most data bytes of one meta event.  Its length is written as one byte
// below 0x80, where the plain length byte that our reader takes and the
// variable-length number of the standard agree.
constexpr std::uint32_t kMaxMetaData = 127;

// The bytes of a chunk header ("MThd" or "MTrk" and the length), and of the
// whole header chunk.
constexpr std::uint32_t kChunkHeaderSize = 8;
constexpr std::uint32_t kHeaderChunkSize = kChunkHeaderSize + 6;

// The bytes that the variable-length form of value takes: 1 to 4.
// Throws std::invalid_argument above kMaxVarNumber.
std::uint32_t varNumberSize(std::uint32_t value);

// Writes the variable-length form of value at out, highest seven bits first,
// bit 7 set on every byte but the last; returns the number of bytes written
// (1 to 4; out must have room for 4).  Throws std::invalid_argument above
// kMaxVarNumber, before writing anything.
std::uint32_t putVarNumber(std::uint8_t* out, std::uint32_t value);

// The bytes of a meta event in a track chunk: its delta time, 0xFF, the type,
// the length byte and dataSize data bytes.
std::uint32_t metaEventSize(std::uint32_t delta, std::uint32_t dataSize);

} // namespace Writing

// Writes one Standard MIDI File into a sink that the caller owns:
//
//     OrbSMF::Writer writer(sink);
//     writer.header(1, 2, 480);             // format, track chunks, division
//     writer.beginTrack(length);            // the chunk's exact data length
//     writer.metaEvent(0, 0x51, tempo);     // events, delta times in ticks
//     writer.endTrack();                    // checks that length was met
//     ...                                   // the next track chunk
//     writer.flush();                       // hands over the rest
//
// A track chunk's length comes before its events, so the caller computes it
// from the sizes in Writing.  The bytes gather in the writer's own buffer and
// go to the sink in large blocks.  It writes what it is told: the header's
// track count is not compared with the chunks that follow.
//
// Exceptions: the sink's own (OrbT::Ex::CannotWriteFile), passed on from the
// call whose bytes it was taking; std::invalid_argument for a delta time or a
// meta event beyond the limits of Writing; std::logic_error for a call out of
// order (an event outside a track chunk, a second header) or for events that
// do not fill the announced length exactly.  The call that throws
// std::invalid_argument or std::logic_error writes nothing.
class Writer {
public:
    explicit Writer(OrbT::ByteSink& sink); // the sink must outlive the writer
    ~Writer();                             // hands nothing over: call flush
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // The header chunk: "MThd", length 6, the three words.  Once, first.
    void header(std::uint16_t format, std::uint16_t tracks, std::uint16_t division);

    // "MTrk" and length; the events that follow must take exactly length bytes.
    void beginTrack(std::uint32_t length);

    // A meta event of the open track chunk; data holds at most kMaxMetaData
    // bytes.  The second form writes the data in two parts, head then tail,
    // which together hold at most kMaxMetaData bytes.
    void metaEvent(std::uint32_t delta, std::uint8_t type, std::string_view data);
    void metaEvent(std::uint32_t delta, std::uint8_t type, std::string_view head, std::string_view tail);

    // Closes the open track chunk.  Writes nothing: an End of Track event is
    // a meta event (type 0x2F, no data) that the caller writes.
    void endTrack();

    // Hands every buffered byte to the sink.
    void flush();

private:
    struct Impl_;
    std::unique_ptr<Impl_> impl_;
};

} // namespace OrbSMF
