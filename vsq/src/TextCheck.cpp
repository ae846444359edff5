// The check of a voice's text before it is written: the grammar that
// DMTextParser reads (see DMTextParser.h), and what the frames cannot carry.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include <liedwerk/WriteVSQ.h>

namespace Liedwerk::WriteVSQs {

namespace {

constexpr std::size_t kWord = sizeof(std::uint64_t);
constexpr std::size_t kZeroSearchStep = 64 * 1024;

// Lines are short (a dozen bytes), so instead of a search call per line or
// per key the searches below test eight bytes at once.

// Eight bytes from at, the first in the lowest byte; past end, 0.
std::uint64_t loadWord(const char* at, const char* end) {
    std::uint64_t value = 0;
    if (end - at >= static_cast<std::ptrdiff_t>(kWord)) {
        std::memcpy(&value, at, kWord);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        value = __builtin_bswap64(value);
#endif
        return value;
    }
    for (const char* p = end; p != at;) value = (value << 8) | static_cast<unsigned char>(*--p);
    return value;
}

// The high bit of each byte of bytes that equals byte, and no other bit.
std::uint64_t bytesEqual(std::uint64_t bytes, char byte) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    const std::uint64_t x = bytes ^ (0x0101010101010101ULL * static_cast<unsigned char>(byte));
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

std::size_t firstByteOf(std::uint64_t mask) { return static_cast<std::size_t>(__builtin_ctzll(mask)) / 8; }

// The first byte equal to byte from from to to, or to.  The bytes up to
// textEnd (at or after to) may be read.
const char* find(const char* from, const char* to, const char* textEnd, char byte) {
    for (; from < to; from += kWord) {
        const std::uint64_t found = bytesEqual(loadWord(from, textEnd), byte);
        if (found != 0) return std::min(to, from + firstByteOf(found));
    }
    return to;
}

// Finds the line ends of a text front to back, keeping the mask of the
// eight bytes at hand for the next call.
class LineEnds {
public:
    LineEnds(const char* text, std::size_t size) : text_(text), size_(size) {}

    // The position of the first "\n" at or after from, or the size.
    std::size_t next(std::size_t from) {
        std::size_t word = from / kWord;
        std::size_t skip = from % kWord;
        for (; word * kWord < size_; ++word, skip = 0) {
            if (word != word_) {
                word_ = word;
                mask_ = bytesEqual(loadWord(text_ + word * kWord, text_ + size_), '\n');
            }
            const std::uint64_t found = mask_ >> (skip * 8);
            if (found != 0) return word * kWord + skip + firstByteOf(found);
        }
        return size_;
    }

private:
    const char* text_;
    std::size_t size_;
    std::size_t word_ = SIZE_MAX; // the word whose mask is held
    std::uint64_t mask_ = 0;
};

// Whether a part of the text holds a 0 byte.  Parts are asked front to back;
// the text is searched once, a block at a time, as far as they reach.
class ZeroBytes {
public:
    ZeroBytes(const char* text, std::size_t size) : text_(text), size_(size) {}

    bool within(std::size_t end) {
        while (first_ == SIZE_MAX && searched_ < end) {
            const std::size_t to = std::min(size_, std::max(end, searched_ + kZeroSearchStep));
            const void* zero = std::memchr(text_ + searched_, 0, to - searched_);
            if (zero != nullptr) first_ = static_cast<std::size_t>(static_cast<const char*>(zero) - text_);
            searched_ = to;
        }
        return first_ < end;
    }

private:
    const char* text_;
    std::size_t size_;
    std::size_t searched_ = 0;
    std::size_t first_ = SIZE_MAX; // the first 0 byte found
};

// One line without its "\n", not empty, without 0 bytes; the bytes up to
// textEnd may be read.
Problem::Kind checkLine(const char* line, const char* end, const char* textEnd, bool& sectionSeen) {
    if (*line == '[') {
        // "[name]": the first "]" ends the line, and the name is not empty.
        const char* close = find(line + 1, end, textEnd, ']');
        if (close == line + 1 || close + 1 != end) return Problem::MalformedSection;
        sectionSeen = true;
        return Problem::None;
    }
    if (!sectionSeen) return Problem::FieldBeforeSection;
    if (*line == '=' || find(line, end, textEnd, '=') == end) return Problem::MalformedField;
    return Problem::None;
}

} // namespace

std::size_t textLength(std::string_view bytes) {
    if (!bytes.empty() && bytes[0] == '\n') return 0; // the first line is empty
    const char* begin = bytes.data();
    const char* end = begin + bytes.size();
    std::uint64_t lastWasNewline = 0; // the previous word's last byte, as bit 7
    for (const char* at = begin; at < end; at += kWord) {
        const std::uint64_t newlines = bytesEqual(loadWord(at, end), '\n');
        // A "\n" whose previous byte is one too: the empty line begins there.
        const std::uint64_t pairs = newlines & ((newlines << 8) | lastWasNewline);
        if (pairs != 0) return static_cast<std::size_t>(at - begin) + firstByteOf(pairs);
        lastWasNewline = newlines >> 56;
    }
    return bytes.size();
}

Problem checkText(std::string_view text) {
    Problem problem;
    if (text.empty()) {
        problem.kind = Problem::EmptyText;
        return problem;
    }
    const char* bytes = text.data();
    LineEnds lineEnds(bytes, text.size());
    ZeroBytes zeros(bytes, text.size());
    bool sectionSeen = false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = lineEnds.next(start);
        if (end == start) {
            problem.kind = Problem::EmptyLine;
        } else if (zeros.within(end)) {
            problem.kind = Problem::ZeroByte;
        } else {
            problem.kind = checkLine(bytes + start, bytes + end, bytes + text.size(), sectionSeen);
        }
        if (problem.kind != Problem::None) {
            problem.offset = start;
            return problem;
        }
        start = end + 1;
    }
    return problem;
}

} // namespace Liedwerk::WriteVSQs
