// The receiver interface of the VSQ reader.
#pragma once

#include <cstdint>

namespace Liedwerk::ParseVSQs {

// Receives what Liedwerk::ParseVSQ reads from one VSQ file, in file order, as
// soon as the bytes are there.  The reader keeps a reference and never owns
// or destroys its receiver.
//
// Order of calls for a file of N track chunks (N >= 2):
//   onHeader(N - 1, division)
//   onBeginTempoMap
//     onTempo / onTimeSignature   -- per event of the master track, file order
//   onEndTempoMap
//   for each voice track t = 0 .. N - 2:
//     onBeginTrack(t)
//       per line of the track's DM text, in text order:
//         "[name]"     onEndSection(t, previous) if one is open, onBeginSection(t, name)
//         "key=value"  onField(t, section, key, value)
//       onEndSection(t, name) if a section is open
//     onEndTrack(t)
//   onEndFile                      -- nothing is called after it
//
// A voice track's lines are reported as soon as they are complete in the
// frames received so far in frame-number order; frames that come early are
// held until their turn.  A last line without a newline comes at track end.
//
// Strings are terminated byte strings (no character-set conversion, no
// trimming) valid only for the duration of the call: copy what you keep.
//
// Every call is made from inside ParseVSQ::feed.  Do not call feed of the
// reader that is calling you.  An exception thrown here passes out of feed
// unchanged and ends the parse: every later feed throws one of the same type.
class Hooks {
public:
    virtual ~Hooks() = 0;

    // voices: track chunks announced minus the master track (>= 1);
    // division: ticks per quarter note, 0 to 32767.
    virtual void onHeader(std::int32_t voices, std::int32_t division) = 0;
    virtual void onEndFile() = 0;
    virtual void onBeginTempoMap() = 0;
    virtual void onEndTempoMap() = 0;
    // tick: sum of the master track's delta times so far (wraps modulo 2^32);
    // tempo: quarter notes per minute, 60000000.0 / microseconds per quarter
    // (infinite for 0).
    virtual void onTempo(std::uint32_t tick, double tempo) = 0;
    // denominator is the power of two itself (4 for a quarter).
    virtual void onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) = 0;
    // track: the voice track's index, 0 for the file's second track chunk.
    virtual void onBeginTrack(std::int32_t track) = 0;
    virtual void onEndTrack(std::int32_t track) = 0;
    virtual void onBeginSection(std::int32_t track, const char* name) = 0;
    virtual void onEndSection(std::int32_t track, const char* name) = 0;
    virtual void onField(std::int32_t track, const char* section, const char* key, const char* value) = 0;
};

} // namespace Liedwerk::ParseVSQs
