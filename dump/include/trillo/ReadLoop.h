// ReadLoop: one VSQ file read as every front end reads it, from the pieces
// that the front end has; and SectionRule, the rule that a front end's
// receiver applies to every voice track.
#pragma once

#include <cstddef>
#include <cstdint>

#include <liedwerk/ParseVSQ.h>
#include <trillo/Errors.h>

namespace Trillo {

// A reader of one file that also enforces what follows the SMF: nothing.
// The pieces may be cut anywhere; the receiver's calls do not depend on it.
//
//     Trillo::ReadLoop loop(receiver);
//     loop.feed(bytes, count);   // as often as there are pieces
//     loop.finish();             // at the end of the input
//
// Throws what the reader and the receiver throw; a byte after the SMF's end
// throws Ex::TrailingBytes, whether it comes in the piece that ends the SMF
// or in a later one.
class ReadLoop {
public:
    explicit ReadLoop(Liedwerk::ParseVSQs::ViewHooks& receiver) : reader_(receiver) {}
    explicit ReadLoop(Liedwerk::ParseVSQs::Hooks& receiver) : reader_(receiver) {}

    // The next piece of the input; an empty one changes nothing.
    void feed(const std::uint8_t* bytes, std::size_t count);
    // The next piece as a range, which it uses up; an empty range is the end
    // of the input, as finish.
    void feed(OrbT::ByteRange& range) {
        if (!complete_) complete_ = !reader_.feed(range);
        if (!range.empty()) throw Ex::TrailingBytes();
    }
    // The end of the input: throws OrbSMF::Ex::UnexpectedFileEnd unless the
    // SMF is complete.
    void finish();
    // Whether the SMF is complete: every later byte is a trailing one.
    bool complete() const { return complete_; }

private:
    Liedwerk::ParseVSQ reader_;
    bool complete_ = false;
};

// Feeds source to a reader bound to receiver until the SMF is complete, then
// reads one block more, which must be empty.  Source has the shape of the
// tool's file source: a public range of unread bytes (OrbT::ByteRange), and
// fill(), which reads the next block into an empty range and leaves it empty
// at the end of the input.
template <class Source, class Receiver>
void readAll(Source& source, Receiver& receiver) {
    ReadLoop loop(receiver);
    do {
        source.fill();
        loop.feed(source.range);
    } while (!loop.complete());
    source.fill(); // a byte in one more block is a trailing one
    loop.feed(source.range);
}

// A voice track must hold a section: a receiver calls beginTrack, section for
// every section line, and endTrack, which throws Ex::NoText for a track
// without any.  The reader itself reports such a track as onBeginTrack
// directly followed by onEndTrack.
class SectionRule {
public:
    void beginTrack() { sectionSeen_ = false; }
    void section() { sectionSeen_ = true; }
    void endTrack() const {
        if (!sectionSeen_) throw Ex::NoText();
    }

private:
    bool sectionSeen_ = false;
};

} // namespace Trillo
