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
#include <cstdint>
#include <string>
#include <string_view>

#include "LineMasks.h"
#include "TextHooks.h"

namespace Liedwerk {

// Cuts one voice track's payloads into lines and parses them.  The lines that
// lie inside a payload are checked where they lie and go to the receiver as
// one run (onLines); only a line that straddles two payloads is put together
// in the parser's own storage, and reported on its own.
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
    enum LineKind { Field, Header, Bad };
    // Lines that passed their checks, not yet reported.
    struct Run {
        const char* start = nullptr;
        const char* end = nullptr;   // after the last line's "\n"
        std::string_view lastHeader; // the run's last header line, if any
    };

    static LineKind classify(std::string_view line, bool sectionOpen);
    const char* scanLines(const char* at, const char* end);
    void takeWindow(Run& run, const char* at, std::uint64_t newlines, const WindowLines& lines, bool& sectionOpen);
    unsigned takeEachLine(Run& run, const char* at, const LineMasks& masks, bool& sectionOpen);
    const char* longLine(const char* at, const char* end, Run& run, bool& sectionOpen);
    void take(Run& run, std::string_view line, LineKind kind, bool& sectionOpen);
    void reportRun(Run& run);
    void parseLine(std::string_view line);

    TextParsers::Hooks& receiver_;
    std::string section_; // empty: no section open (a name is never empty)
    std::string partial_; // the start of a line that straddles payloads
};

} // namespace Liedwerk
