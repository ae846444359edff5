// OrbSMF::Parser, a push parser for Standard MIDI Files.
#pragma once

#include <memory>

#include <orbsmf/ByteRange.h>
#include <orbsmf/Exceptions.h>
#include <orbsmf/Hooks.h>

namespace OrbSMF {

// Reads one Standard MIDI File that arrives in ranges of any size, down to one
// byte, without holding the file.  It checks the chunk structure and the event
// syntax and reports through its receiver (see Parsers::Hooks); it does not
// judge the header's format, track count or division.
//
// It is a reader for VSQ files, not a general Standard MIDI File reader: a
// meta event's length is read as one plain byte, as those files store it, so
// a meta event of 128 bytes or more whose length is written as a
// variable-length number is misread.
//
//     OrbSMF::Parser parser(receiver);
//     while (parser.feed(range)) range = nextBlock();  // empty at end of input
//
// Not copyable.  An exception (the parser's own, or one that a receiver
// throws) ends the parse: every later feed throws one of the same type.
class Parser {
public:
    explicit Parser(Parsers::Hooks& receiver);
    ~Parser();
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Consumes bytes from the front of range and makes the receiver's calls.
    // Returns true while more input is needed (the range is then used up) and
    // false once the last announced track chunk has ended; bytes after it stay
    // in the range.  An empty range means the input has ended: before the end
    // of the SMF that throws Ex::UnexpectedFileEnd.  Once finished, feed
    // returns false and consumes nothing.
    bool feed(ByteRange& range);

private:
    class Impl_;
    std::unique_ptr<Impl_> impl_;
};

} // namespace OrbSMF
