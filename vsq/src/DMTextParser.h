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

#include <liedwerk/TextHooks.h>

namespace Liedwerk {

// A text range: a start and a length in bytes.
struct TextRange {
    const char* start = nullptr;
    std::size_t length = 0;
};

// Returns the part of range before the first delimiter and advances range to
// the bytes after it.  Without a delimiter the part is empty and range is of
// no further use.
TextRange splitAt(TextRange& range, char delimiter);

// Parses one line at a time and knows the open section.
class DMTextParser {
public:
    explicit DMTextParser(TextParsers::Hooks& receiver) : receiver_(receiver) {}
    DMTextParser(const DMTextParser&) = delete;
    DMTextParser& operator=(const DMTextParser&) = delete;

    // One line of at least one byte, which may end with one "\n".
    void parseLine(const char* start, std::size_t length);
    // Ends the open section, if any.  Destroying the parser reports nothing.
    void endSection();

private:
    void parseHeader(TextRange rest);
    void parseField(TextRange line);

    TextParsers::Hooks& receiver_;
    std::string currentSection_; // empty: no section open (a name is never empty)
    std::string longField_;      // a copy of a field line too long for the stack
};

// Cuts one payload of a voice track's text into lines and parses each
// complete one.  A line that lies inside the payload is parsed where it lies;
// the bytes after the payload's last "\n" wait in partialLine, which is
// completed by the payload that holds the line's "\n".
void feedText(std::string& partialLine, DMTextParser& parser, const char* payload);

// At track end: parses what waits in partialLine, if anything, as the last
// line (it has no "\n"), and empties it.
void finishText(std::string& partialLine, DMTextParser& parser);

} // namespace Liedwerk
