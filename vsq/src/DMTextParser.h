// The INI-like text of a voice track, line by line.
//
//   text    = line*
//   line    = header | field                    (each ends with "\n", but the last)
//   header  = "[" name "]"                      (the first byte is "[")
//   field   = key "=" value                     (key not empty; value may hold "=")
//
// Bytes, no trimming, no case folding; only "\n" ends a line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "TextHooks.h"

namespace Liedwerk {

// Cuts one voice track's payloads into lines and parses them.  A line that
// lies inside a payload is parsed where it lies, and consecutive field lines
// of one payload go to the receiver as one run; only a line that straddles
// two payloads is put together in the parser's own storage.
class DMTextParser {
public:
    explicit DMTextParser(TextParsers::Hooks& receiver) : receiver_(receiver) {}
    DMTextParser(const DMTextParser&) = delete;
    DMTextParser& operator=(const DMTextParser&) = delete;

    // The next payload of the track's text, in frame order: every line that
    // it completes is parsed.  The bytes after its last "\n" wait for the
    // payload that holds their line's end.
    void feed(std::string_view payload);
    // At the track's end: parses what waits, if anything, as the last line
    // (it has no "\n").
    void finish();
    // Ends the open section, if any.
    void endSection();
    // Forgets the waiting bytes and the open section without a report: a new
    // track begins.
    void reset();

private:
    void parseLine(std::string_view line);
    void parseHeader(std::string_view rest);
    void reportRun(const char* start, const char* end);

    TextParsers::Hooks& receiver_;
    std::string section_; // empty: no section open (a name is never empty)
    std::string partial_; // the start of a line that straddles payloads
};

} // namespace Liedwerk
