// Exceptions of the SMF reader.  See orbt/Exceptions.h for the conventions.
#pragma once

#include <orbt/Exceptions.h>

namespace OrbSMF::Ex {

// The input ended before the last announced track chunk did.
struct UnexpectedFileEnd : OrbT::Ex::IllegalFormat {};
// A chunk type is not "MThd" (first chunk) or "MTrk" (every later chunk).
struct IllegalMagic : OrbT::Ex::IllegalFormat {};
// The header chunk is "MThd" but shorter than its six data bytes.
struct TooShortHeader : OrbT::Ex::IllegalFormat {};
// An event reaches beyond its track chunk's length.
struct ChunkOverrun : OrbT::Ex::IllegalFormat {};
// A data byte stands where a status is needed and no running status exists.
struct IllegalRunningStatus : OrbT::Ex::IllegalFormat {};
// Never thrown itself: the base of status-byte errors.
struct IllegalStatusByte : OrbT::Ex::IllegalFormat {};
// A system common or real-time status byte inside a track.
struct IllegalSystemMessage : IllegalStatusByte {};
// A variable-length number with more than four bytes.
struct TooLongVarInteger : OrbT::Ex::IllegalFormat {};

} // namespace OrbSMF::Ex
