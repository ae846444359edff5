// Feeding the VSQ reader from the package's sources, as the tool feeds it.
#pragma once

#include <string>

#include <liedwerk/ParseVSQ.h>
#include <orbt/Exceptions.h>
#include <trillo/FileSource.h>

namespace TrilloPy {

// Bytes follow the end of the SMF's last announced track.  The tool reports
// this without an exception class of its own; here it has one, so that every
// failure takes the same path.
struct TrailingBytes : OrbT::Ex::DataError {};

// The tool's read loop: blocks from source until the SMF is complete, then
// one more block, which must be empty.  Source has the shape of
// Trillo::FileSource: a public range of unread bytes and fill(), which leaves
// range empty at end of input.
template <class Source>
void readAll(Source& source, Liedwerk::ParseVSQs::ViewHooks& receiver) {
    Liedwerk::ParseVSQ reader(receiver);
    do {
        source.fill();
    } while (reader.feed(source.range));
    if (!source.range.empty()) throw TrailingBytes();
    source.fill();
    if (!source.range.empty()) throw TrailingBytes();
}

// Opens the file at path (bytes as the system takes them) and reads it with
// the tool's own file source.
inline void readPath(const std::string& path, Liedwerk::ParseVSQs::ViewHooks& receiver) {
    Trillo::FileSource source(path.c_str());
    readAll(source, receiver);
}

} // namespace TrilloPy
