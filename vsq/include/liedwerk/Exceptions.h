// Exceptions of the VSQ reader.  See orbt/Exceptions.h for the conventions.
#pragma once

#include <orbt/Exceptions.h>

namespace Liedwerk::Ex {

// The SMF is not of format 1.
struct IllegalSMFFormat : OrbT::Ex::DataError {};
// Fewer than two track chunks: no voice track besides the master track.
struct TooFewTracks : OrbT::Ex::DataError {};
// The division is an SMPTE time code, not ticks per quarter note.
struct DivisionNotSupported : OrbT::Ex::DataError {};
// A voice track ended while DM frames after a gap were still held.
struct LackedDMFrame : OrbT::Ex::DataError {};
// A DM frame number came twice, or was negative.
struct DuplicatedDMFrame : OrbT::Ex::DataError {};
// A text event that is not a DM frame.  The reader skips such an event and
// throws this nowhere: the class stays for programs that name it.
struct NotDMText : OrbT::Ex::DataError {};
// A line that begins with "[" but is not "[name]".
struct MalformedSectionName : OrbT::Ex::DataError {};
// A field line before the first section line of a track.
struct SectionIdentifierLacked : OrbT::Ex::DataError {};
// A field line with nothing before its first "=".
struct MalformedField : OrbT::Ex::DataError {};

} // namespace Liedwerk::Ex
