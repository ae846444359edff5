// Liedwerk::ParseVSQ, a push parser for VSQ sequence files.
#pragma once

#include <memory>

#include <liedwerk/Exceptions.h>
#include <liedwerk/Hooks.h>
#include <liedwerk/ViewHooks.h>
#include <orbsmf/ByteRange.h> // OrbSMF::ByteRange, the name older programs use
#include <orbsmf/Exceptions.h>

namespace Liedwerk {

// Reads one VSQ file: a format-1 Standard MIDI File whose first track is the
// tempo map and whose further tracks carry INI-like text cut into numbered
// "DM:" text events.  It checks the file and reports its contents as the
// bytes arrive, in ranges of any size, through a receiver: ParseVSQs::ViewHooks
// (texts as pointer and length, where they lie) or ParseVSQs::Hooks (texts as
// terminated strings).  Both see the same events in the same order.
//
//     Liedwerk::ParseVSQ reader(receiver);
//     while (reader.feed(range)) range = nextBlock();  // empty at end of input
//     // bytes left in range follow the SMF's last announced track
//
// Not copyable.  An exception, the reader's own or a receiver's, ends the parse:
// every later feed throws one of the same type.
class ParseVSQ {
public:
    // The receiver must outlive the reader.
    explicit ParseVSQ(ParseVSQs::ViewHooks& receiver);
    explicit ParseVSQ(ParseVSQs::Hooks& receiver);
    ~ParseVSQ();
    ParseVSQ(const ParseVSQ&) = delete;
    ParseVSQ& operator=(const ParseVSQ&) = delete;

    // Consumes bytes from the front of range, making the receiver's calls.
    // Returns true while more input is needed, false once the SMF is complete
    // (and on every later call, which consumes nothing).  An empty range means
    // the input has ended; before the SMF is complete that throws
    // OrbSMF::Ex::UnexpectedFileEnd.
    bool feed(OrbT::ByteRange& range);

private:
    class Impl_;
    std::unique_ptr<Impl_> impl_;
};

} // namespace Liedwerk
