// The voices' texts of a trillo.Sequence, made for trillo.write: each
// track's sections and fields as the lines that the reader reads back, with
// the faults named where the Sequence holds them.
#pragma once

#include <pybind11/pybind11.h>

namespace TrilloPy {

// The texts (a list of bytes, one per track) of tracks, a list of
// trackType (trillo.Track); str names, keys and values are encoded with
// encoding; each field is taken apart by pair(field) -> (key, value).  A part
// that no line can carry as it is gives a tuple (where, kind, message), such
// as ("tracks[0].sections[2].fields[1]", "MalformedField", 'a key must not
// contain "="').  TypeError for a part of the wrong type.
pybind11::object voiceTexts(const pybind11::list& tracks, const char* encoding, pybind11::handle trackType,
                            pybind11::handle pair);

// The first name, key or value of the track at index number of tracks whose
// line the writer refused (a newline, a 0 byte, an empty name or key), as
// voiceTexts reports it, or None.
pybind11::object locate(const pybind11::list& tracks, std::size_t number, const char* encoding,
                        pybind11::handle trackType, pybind11::handle pair);

} // namespace TrilloPy
