// Liedwerk::WriteVSQ, which writes a VSQ sequence file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional> // for programs that had it from here
#include <string>
#include <string_view>
#include <vector>

#include <orbt/ByteSink.h>
#include <orbt/Exceptions.h>

namespace Liedwerk {

namespace WriteVSQs {

// What a VSQ file can hold: the header's 16-bit fields (bit 15 of the
// division would make it an SMPTE time code, and the track count holds the
// master track too), the set-tempo event's 24 bits and the time signature's
// one byte.
constexpr std::int32_t kMaxDivision = 0x7FFF;
constexpr std::size_t kMaxVoices = 0xFFFF - 1;
constexpr std::uint32_t kMaxMicroseconds = 0xFFFFFF;
constexpr std::uint32_t kMaxNumerator = 0xFF;

// One event of the master track, at its absolute tick.
struct TempoEvent {
    enum Kind : std::uint8_t {
        Tempo,         // a set-tempo event
        TimeSignature, // a time-signature event
    };
    Kind kind = Tempo;
    std::uint32_t tick = 0;
    // Tempo: microseconds per quarter note, 0 to 0xFFFFFF; 0 reads back as
    // an infinite tempo.
    std::uint32_t microsecondsPerQuarter = 0;
    // TimeSignature: the numerator, 0 to 255, and the denominator itself (4
    // for a quarter), a power of two from 1 to 2^31.
    std::uint32_t numerator = 0;
    std::uint32_t denominator = 0;

    static TempoEvent tempo(std::uint32_t tick, std::uint32_t microsecondsPerQuarter) {
        return {Tempo, tick, microsecondsPerQuarter, 0, 0};
    }
    static TempoEvent timeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) {
        return {TimeSignature, tick, 0, numerator, denominator};
    }
};

// What a VSQ file holds, as the reader reports it.  The texts are views of
// the caller's bytes: they must stay valid while a WriteVSQ made from this
// content exists.
struct Content {
    // Ticks per quarter note, 0 to 32767.
    std::int32_t division = 480;
    // The master track's events in file order.  Ticks count as the reader's
    // do, modulo 2^32: the step to an event is its tick minus the tick before
    // (0 for the first event), modulo 2^32, so a tick below the one before is
    // a step past 2^32 - 1.  A step longer than a delta time holds
    // (0x0FFFFFFF ticks) is bridged with empty text events.
    std::vector<TempoEvent> tempoMap;
    // Each voice track's INI-like text (1 to 65534 voices), lines ended by
    // "\n" (the last one may lack it):
    //   "[name]"      a section line: the name is not empty, nothing follows "]"
    //   "key=value"   a field line of the section above it: the key is not empty
    // The first line is a section line; no line is empty; no byte is 0.  The
    // reader reports these lines exactly as they stand.
    std::vector<std::string_view> voices;
};

// The first part of a Content that cannot be written, and where it lies.
// The parts are looked at in this order: the division, the tempo map's
// events, the number of voices, each voice's text.
struct Problem {
    enum Kind : std::int32_t {
        None = 0,
        DivisionOutOfRange,       // division not 0 to 32767
        NoVoice,                  // voices is empty
        TooManyVoices,            // more than 65534 voices
        TempoOutOfRange,          // microseconds per quarter note above 0xFFFFFF
        NumeratorOutOfRange,      // a numerator above 255
        DenominatorNotPowerOfTwo, // a denominator that is not 1, 2, 4, ..., 2^31
        TickBeforePrevious,       // never found (every step is bridged): kept so that
        StepTooLong,              // the kinds below keep their values
        EmptyText,                // a voice without any line
        ZeroByte,                 // a 0 byte in a line
        EmptyLine,                // an empty line
        FieldBeforeSection,       // a field line before the first section line
        MalformedSection,         // a line "[" that is not "[name]"
        MalformedField,           // a field line without a key before "="
        TrackTooLong,             // a voice track beyond 2^32 - 1 bytes
        TempoMapTooLong,          // a master track beyond 2^32 - 1 bytes
    };
    Kind kind = None;
    // The tempo event (TempoOutOfRange to DenominatorNotPowerOfTwo) or the voice (EmptyText
    // to TrackTooLong) at fault, from 0; otherwise 0.
    std::size_t index = 0;
    // For ZeroByte to MalformedField: where the faulty line begins in the
    // voice's text, in bytes; otherwise 0.
    std::size_t offset = 0;
};

// What is wrong, in a few words without the place: "a field line comes
// before any section line", say.  For None, an empty string.
const char* describe(Problem::Kind kind);

// The kind's name as the enumerator has it: "MalformedField", say.
const char* nameOf(Problem::Kind kind);

// The text of a voice checked alone: the problem's kind and offset (its index
// is 0).  Content's rules for texts, but for the track's size.
Problem checkText(std::string_view text);

// The parts that a voice's lines are made of, for a program that makes the
// text from them: "[" name "]" and key "=" value.
enum class Part : std::uint8_t { SectionName, Key, Value };

// What keeps a part from standing in its line so that the reader reads it
// back as it is, the first of these that holds:
enum class PartFault : std::uint8_t {
    None,
    Delimiter, // the byte that ends the part: "]" in a section's name, "=" in a key
    Bracket,   // a key that begins with "[", which would make its line a section line
    Newline,   // a "\n", which would end the line
    ZeroByte,  // a 0 byte, which would end the frame's text
    Empty,     // an empty section name or key
};
PartFault checkPart(Part part, std::string_view text);

// Appends a section line, "[" name "]" and its "\n", or a field line, key "="
// value and its "\n", to a voice's text.
void appendSectionLine(std::string& text, std::string_view name);
void appendFieldLine(std::string& text, std::string_view key, std::string_view value);

} // namespace WriteVSQs

namespace Ex {

// WriteVSQ::write was called although the content has a problem.
struct UnwritableContent : OrbT::Ex::DataError {};

} // namespace Ex

// Writes a Content as a VSQ file: a format-1 Standard MIDI File whose first
// track chunk holds the tempo map and whose further track chunks each carry
// a voice's text cut into "DM:" text events:
//
//     header     "MThd", format 1, voices + 1 tracks, division
//     master     one meta event per tempo map entry, delta times between
//                their ticks: FF 51 03 and 24 bits, FF 58 04 numerator,
//                exponent of the denominator, 24, 8; before an event more
//                than 0x0FFFFFFF ticks after the one above, an empty text
//                event FF 01 00 after every 0x0FFFFFFF ticks; End of Track
//     voice      text events FF 01 "DM:" number ":" payload, each of at most
//                127 data bytes, numbered from 0, the number of at least four
//                digits ("DM:0000:"), the payload as much of the text as fits,
//                wherever that cuts a line; End of Track
//
// All delta times of a voice track are 0.  Our reader reads the file back
// into the same content (tempos as 60000000.0 / microseconds).
//
//     Liedwerk::WriteVSQ writer(content);   // checks it and lays it out
//     if (writer.problem().kind != Liedwerk::WriteVSQs::Problem::None) ...
//     writer.write(sink);
//
// The constructor checks everything first, so that a content with a problem
// writes nothing at all.  Not copyable; the content must outlive the writer.
class WriteVSQ {
public:
    explicit WriteVSQ(const WriteVSQs::Content& content);
    ~WriteVSQ();
    WriteVSQ(const WriteVSQ&) = delete;
    WriteVSQ& operator=(const WriteVSQ&) = delete;

    // The first problem found; kind None when the content can be written.
    const WriteVSQs::Problem& problem() const;

    // The size of the file in bytes; 0 when there is a problem.
    std::uint64_t size() const;

    // Writes the whole file into sink (and hands it every byte before
    // returning).  Throws Ex::UnwritableContent, before writing anything, when
    // there is a problem; the sink's own exception (OrbT::Ex::CannotWriteFile)
    // passes on, with the bytes before it written.  May be called again.
    void write(OrbT::ByteSink& sink) const;

private:
    class Impl_;
    std::unique_ptr<Impl_> impl_;
};

} // namespace Liedwerk
