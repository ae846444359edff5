// The INI-like text of a voice track, line by line (LineGrammar.h): each
// line ends with "\n", but the last.  Bytes, no trimming, no case folding;
// only "\n" ends a line.  A payload ends at its first 0 byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "LineGrammar.h"
#include "LineMasks.h"
#include "TextHooks.h"

namespace Liedwerk {

// Bytes of the text kept beyond their payload (the start of a line that
// straddles payloads, the open section's name): short ones in place, long
// ones in storage that grows.
class TextBuffer {
public:
    TextBuffer() = default;
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    bool empty() const { return size_ == 0; }
    std::string_view view() const { return std::string_view(data_, size_); }
    void append(const char* bytes, std::size_t count) {
        if (count > capacity_ - size_) grow(count);
        std::memcpy(data_ + size_, bytes, count);
        size_ += count;
    }
    void assign(std::string_view bytes) {
        size_ = 0;
        append(bytes.data(), bytes.size());
    }
    // Forgets the bytes; storage that a long text needed goes too.
    void clear();

private:
    void grow(std::size_t count); // room for count more bytes

    static constexpr std::size_t kInPlace = 256;
    static constexpr std::size_t kKept = 4096; // grown storage up to this size is kept for the next text

    char inPlace_[kInPlace];
    std::unique_ptr<char[]> grown_;
    char* data_ = inPlace_;
    std::size_t size_ = 0;
    std::size_t capacity_ = kInPlace;
};

// Cuts one voice track's payloads into lines and parses them.  The lines that
// lie inside a payload are judged where they lie, all at once, and go to the
// receiver as one run (onLines); only a line that straddles two payloads is
// put together in the parser's own storage, and reported as a run of its own.
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
    // Lines that passed their checks, not yet reported.
    struct Run {
        const char* start = nullptr;
        const char* end = nullptr;   // after the last line's "\n"
        std::string_view lastHeader; // the run's last header line, if any
    };

    void completePending();
    void eachLine(const char* at, std::size_t end);
    void take(Run& run, std::string_view line, LineKind kind, bool& sectionOpen);
    void reportRun(const Run& run);
    void parseLine(std::string_view line);

    TextParsers::Hooks& receiver_;
    TextBuffer section_; // empty: no section open (a name is never empty)
    TextBuffer pending_; // the start of a line that straddles payloads
};

} // namespace Liedwerk
