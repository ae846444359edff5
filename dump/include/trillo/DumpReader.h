// readDump: trillo's dump read back into the content of a VSQ file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <liedwerk/WriteVSQ.h>

namespace Trillo {

// What is wrong with a dump, and on which line (from 1).  A fault at the end
// of the dump names the line after its last one.
struct DumpFault {
    std::size_t line = 0;
    std::string what;
};

// Reads a whole dump as DumpWriter writes it:
//
//   [Master]
//   NumVoices=<1 to 65534>
//   Division=<0 to 32767>
//   [TempoMap]
//   <tick>=Tempo:<two decimals, or inf>          any number of these lines,
//   <tick>=Time:<numerator>/<denominator>:24:8    in any order
//   (a blank line)
//   [Track01]
//   <the voice's text: section and field lines, no blank line>
//   (a blank line)
//   [Track02]
//   ...                                          NumVoices tracks in all
//
// Lines end with "\n"; the dump's last line may lack it.  A voice's text
// ends at the first blank line (DumpFormat::textLength).  A tempo
// becomes the microseconds per quarter note that print as the same two
// decimals (DumpFormat::microsecondsPerQuarter).
//
// Returns nothing when the dump has this form; content then holds what it
// shows, its texts views of dump.  What the form alone does not rule out
// (the voices' lines, the order of ticks, a time signature's values) is
// Liedwerk::WriteVSQ's to find: see locateProblem.  On a fault, returns the
// first in line order: the content read before it is checked too.
std::optional<DumpFault> readDump(std::string_view dump, Liedwerk::WriteVSQs::Content& content);

// The fault in dump for a problem that Liedwerk::WriteVSQ found in the
// content that readDump read from it.
DumpFault locateProblem(std::string_view dump, const Liedwerk::WriteVSQs::Content& content,
                        const Liedwerk::WriteVSQs::Problem& problem);

} // namespace Trillo
