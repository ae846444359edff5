// The tool's reading loop, for every front end that reads as the tool does.
#pragma once

#include <liedwerk/ParseVSQ.h>
#include <trillo/Errors.h>

namespace Trillo {

// Feeds source to a reader bound to receiver until the SMF is complete; a
// byte after its end, in the block that ended it or in one more block,
// throws Ex::TrailingBytes.  Source has the shape of FileSource: a public
// range of unread bytes, and fill(), which reads the next block into an empty
// range and leaves it empty at the end of the input.
template <class Source, class Receiver>
void readAll(Source& source, Receiver& receiver) {
    Liedwerk::ParseVSQ reader(receiver);
    do {
        source.fill();
    } while (reader.feed(source.range));
    if (!source.range.empty()) throw Ex::TrailingBytes();
    source.fill();
    if (!source.range.empty()) throw Ex::TrailingBytes();
}

} // namespace Trillo
