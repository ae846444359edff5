#include "DMTextParser.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <liedwerk/Exceptions.h>

namespace Liedwerk {

TextParsers::Hooks::~Hooks() = default;

namespace {

// An assembled line that grew past this is not kept around for the next one.
constexpr std::size_t kKeptLineCapacity = 4096;
// A field line shorter than this is copied to the stack.
constexpr std::size_t kShortLine = 256;

void emptyLine(std::string& line) {
    line.clear();
    if (line.capacity() > kKeptLineCapacity) std::string().swap(line);
}

// The position of the first byte equal to byte in length bytes, or length.
std::size_t findByte(const char* text, std::size_t length, char byte) {
    const void* found = length == 0 ? nullptr : std::memchr(text, byte, length);
    return found == nullptr ? length : static_cast<std::size_t>(static_cast<const char*>(found) - text);
}

#if defined(__SSE2__)
// The mask of the bytes equal to byte in a register's 16 lanes.
inline std::uint32_t lanesEqual(__m128i bytes, char byte) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(byte))));
}
#endif

// Finds one byte's occurrences in a text, front to back.  With SSE2 it tests
// up to 64 bytes at once and keeps their mask for the next calls, so a
// payload of many short lines costs a few block compares instead of a search
// call per line; elsewhere it is memchr.  It never reads outside the text.
class ByteFinder {
public:
    ByteFinder(const char* text, std::size_t length, char byte) : text_(text), length_(length), byte_(byte) {}

    // The position of the first occurrence at or after from, or the length.
    // from must not decrease from one call to the next.
    std::size_t next(std::size_t from) {
#if defined(__SSE2__)
        while (from < length_) {
            if (from >= windowEnd_) fill(from);
            const std::uint64_t found = mask_ >> (from - windowStart_);
            if (found != 0) return from + static_cast<std::size_t>(__builtin_ctzll(found));
            from = windowEnd_;
        }
        return length_;
#else
        return from >= length_ ? length_ : from + findByte(text_ + from, length_ - from, byte_);
#endif
    }

private:
#if defined(__SSE2__)
    static constexpr std::size_t kBlock = 16;
    static constexpr std::size_t kWindow = 64;

    // The mask of the 16 bytes from position at (which must lie in the text).
    std::uint64_t block(std::size_t at) const {
        return lanesEqual(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text_ + at)), byte_);
    }

    // Fills the mask for up to 64 bytes from start on.  A last part shorter
    // than a block is tested with the block that ends where the text ends.
    void fill(std::size_t start) {
        const std::size_t size = length_ - start < kWindow ? length_ - start : kWindow;
        windowStart_ = start;
        windowEnd_ = start + size;
        mask_ = 0;
        std::size_t done = 0;
        if (length_ >= kBlock) {
            for (; done + kBlock <= size; done += kBlock) mask_ |= block(start + done) << done;
            if (done != size) mask_ |= block(length_ - kBlock) >> (kBlock - (size - done)) << done;
            return;
        }
        for (; done != size; ++done) mask_ |= static_cast<std::uint64_t>(text_[start + done] == byte_) << done;
    }

    std::size_t windowStart_ = 0;
    std::size_t windowEnd_ = 0; // mask_ holds the bytes from windowStart_ to here
    std::uint64_t mask_ = 0;
#endif
    const char* text_;
    std::size_t length_;
    char byte_;
};

// Copies length bytes (fewer than kShortLine) and returns the position of the
// first byte equal to byte in them, or length.  With SSE2 a line of 4 to 32
// bytes, the usual field line, is loaded as two overlapping halves that are
// both compared and stored: no call, and no byte read outside the line.
std::size_t copyAndFind(char* to, const char* from, std::size_t length, char byte) {
#if defined(__SSE2__)
    if (length >= 16 && length <= 32) {
        const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + length - 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), head);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + length - 16), tail);
        const std::uint64_t found = lanesEqual(head, byte) | std::uint64_t{lanesEqual(tail, byte)} << (length - 16);
        return static_cast<std::size_t>(__builtin_ctzll(found | std::uint64_t{1} << length));
    }
    if (length >= 8 && length < 16) {
        const __m128i head = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from));
        const __m128i tail = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + length - 8));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to), head);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to + length - 8), tail);
        const std::uint32_t found = (lanesEqual(head, byte) & 0xFFu) | (lanesEqual(tail, byte) & 0xFFu) << (length - 8);
        return static_cast<std::size_t>(__builtin_ctz(found | std::uint32_t{1} << length));
    }
    if (length >= 4 && length < 8) {
        std::uint32_t halves[2];
        std::memcpy(&halves[0], from, 4);
        std::memcpy(&halves[1], from + length - 4, 4);
        std::memcpy(to, &halves[0], 4);
        std::memcpy(to + length - 4, &halves[1], 4);
        const __m128i head = _mm_cvtsi32_si128(static_cast<int>(halves[0]));
        const __m128i tail = _mm_cvtsi32_si128(static_cast<int>(halves[1]));
        const std::uint32_t found = (lanesEqual(head, byte) & 0xFu) | (lanesEqual(tail, byte) & 0xFu) << (length - 4);
        return static_cast<std::size_t>(__builtin_ctz(found | std::uint32_t{1} << length));
    }
#endif
    std::memcpy(to, from, length);
    return findByte(to, length, byte);
}

} // namespace

TextRange splitAt(TextRange& range, char delimiter) {
    const std::size_t before = findByte(range.start, range.length, delimiter);
    if (before == range.length) return TextRange{range.start, 0};
    const TextRange part{range.start, before};
    range.start += before + 1;
    range.length -= before + 1;
    return part;
}

void DMTextParser::parseLine(const char* start, std::size_t length) {
    TextRange line{start, length};
    if (line.length != 0 && line.start[line.length - 1] == '\n') --line.length;
    if (line.length != 0 && line.start[0] == '[') {
        endSection(); // before the header line is examined any further
        parseHeader(TextRange{line.start + 1, line.length - 1});
    } else {
        parseField(line);
    }
}

void DMTextParser::parseHeader(TextRange rest) {
    const TextRange name = splitAt(rest, ']');
    // Nothing may follow the first "]", not even a carriage return.
    if (name.length == 0 || rest.length != 0) throw Ex::MalformedSectionName();
    currentSection_.clear(); // then a plain append: cheaper than assign, which allows for overlap
    currentSection_.append(name.start, name.length);
    receiver_.onSectionName(currentSection_.c_str());
}

void DMTextParser::parseField(TextRange line) {
    if (currentSection_.empty()) throw Ex::SectionIdentifierLacked();
    // One copy of the whole line serves both strings: its first "=" becomes
    // the key's terminator.  A usual line is copied to the stack, a longer
    // one into longField_.
    char shortLine[kShortLine];
    char* copy = shortLine;
    std::size_t keyLength = 0;
    if (line.length < sizeof shortLine) {
        keyLength = copyAndFind(shortLine, line.start, line.length, '=');
    } else {
        longField_.assign(line.start, line.length);
        copy = &longField_[0];
        keyLength = findByte(copy, line.length, '=');
    }
    if (keyLength == 0 || keyLength >= line.length) {
        if (longField_.capacity() > kKeptLineCapacity) std::string().swap(longField_);
        throw Ex::MalformedField();
    }
    copy[line.length] = '\0';
    copy[keyLength] = '\0';
    receiver_.onKeyValue(currentSection_.c_str(), copy, copy + keyLength + 1);
    if (longField_.capacity() > kKeptLineCapacity) std::string().swap(longField_);
}

void DMTextParser::endSection() {
    if (currentSection_.empty()) return;
    receiver_.onSectionEnd(currentSection_.c_str());
    currentSection_.clear();
}

#if defined(__GNUC__)
__attribute__((flatten))
#endif
void feedText(std::string& partialLine, DMTextParser& parser, const char* payload) {
    const std::size_t length = std::strlen(payload);
    ByteFinder newlines(payload, length, '\n');
    std::size_t start = 0;
    while (start != length) {
        const std::size_t newline = newlines.next(start);
        if (newline == length) {
            partialLine.append(payload + start, length - start);
            return;
        }
        const std::size_t lineLength = newline + 1 - start;
        if (partialLine.empty()) {
            parser.parseLine(payload + start, lineLength);
        } else {
            partialLine.append(payload + start, lineLength);
            parser.parseLine(partialLine.data(), partialLine.size());
            emptyLine(partialLine);
        }
        start = newline + 1;
    }
}

void finishText(std::string& partialLine, DMTextParser& parser) {
    if (partialLine.empty()) return;
    parser.parseLine(partialLine.data(), partialLine.size());
    emptyLine(partialLine);
}

} // namespace Liedwerk
