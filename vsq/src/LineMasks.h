// Where the bytes that matter to the text's grammar lie, and the judgement of
// a text's complete lines from them, 64 bytes at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && !defined(TRILLO_NO_SIMD)
#define TRILLO_SSE2_WINDOWS 1
#include <emmintrin.h>
#endif

namespace Liedwerk {

// One bit per byte of a window of up to 64 bytes, bit i for the window's
// byte i: the newlines, the "=", "[", "]" and 0 bytes.
struct LineMasks {
    std::uint64_t newlines = 0;
    std::uint64_t equals = 0;
    std::uint64_t opens = 0;
    std::uint64_t closes = 0;
    std::uint64_t zeros = 0;
};

constexpr std::size_t kWindow = 64;

namespace Detail {

constexpr std::size_t kBlock = 16;

inline LineMasks scanBytes(const char* text, std::size_t count) {
    LineMasks masks;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t bit = std::uint64_t{1} << i;
        if (text[i] == '\n') masks.newlines |= bit;
        if (text[i] == '=') masks.equals |= bit;
        if (text[i] == '[') masks.opens |= bit;
        if (text[i] == ']') masks.closes |= bit;
        if (text[i] == '\0') masks.zeros |= bit;
    }
    return masks;
}

#if defined(TRILLO_SSE2_WINDOWS)
inline std::uint64_t lanesEqual(__m128i bytes, __m128i wanted) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted)));
}

inline std::uint64_t lanesEqual(__m128i bytes, char byte) { return lanesEqual(bytes, _mm_set1_epi8(byte)); }

// The lanes of a block from drop on, as the bits from at on.
inline void addBlock(LineMasks& masks, __m128i bytes, unsigned drop, unsigned at) {
    masks.newlines |= (lanesEqual(bytes, '\n') >> drop) << at;
    masks.equals |= (lanesEqual(bytes, '=') >> drop) << at;
    masks.opens |= (lanesEqual(bytes, '[') >> drop) << at;
    masks.closes |= (lanesEqual(bytes, ']') >> drop) << at;
    masks.zeros |= (lanesEqual(bytes, '\0') >> drop) << at;
}

inline __m128i load(const char* text) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(text)); }

// The bits of a window's bytes equal to byte, from its four blocks.
inline std::uint64_t windowEqual(const __m128i (&blocks)[4], char byte) {
    const __m128i wanted = _mm_set1_epi8(byte);
    std::uint64_t bits = 0;
    for (unsigned i = 0; i < 4; ++i) bits |= lanesEqual(blocks[i], wanted) << (kBlock * i);
    return bits;
}

// A whole window, the usual case: four blocks in place.  A 0 byte is rare,
// so whether there is one is asked of the four blocks at once first.
inline LineMasks scanWhole(const char* text) {
    const __m128i blocks[4] = {load(text), load(text + kBlock), load(text + 2 * kBlock), load(text + 3 * kBlock)};
    LineMasks masks;
    masks.newlines = windowEqual(blocks, '\n');
    masks.equals = windowEqual(blocks, '=');
    masks.opens = windowEqual(blocks, '[');
    masks.closes = windowEqual(blocks, ']');
    const __m128i least = _mm_min_epu8(_mm_min_epu8(blocks[0], blocks[1]), _mm_min_epu8(blocks[2], blocks[3]));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(least, _mm_setzero_si128())) != 0) masks.zeros = windowEqual(blocks, '\0');
    return masks;
}

// Fewer bytes than a window, with enough readable bytes before them (behind)
// to fill one, are scanned as the window that ends with them, its bits
// shifted down.  Else whole blocks of 16 bytes in place, and a shorter last
// block loaded so that it ends with the bytes given, its lanes shifted down;
// bytes that fill less than a block, with fewer than a block's worth behind
// them, are copied into one first.  No load reaches past the bytes given or
// before the bytes behind.
inline LineMasks scanBlocks(const char* text, std::size_t count, std::size_t behind) {
    if (count == kWindow) return scanWhole(text);
    if (behind >= kWindow - count) { // a whole window that ends with the bytes given
        const unsigned drop = static_cast<unsigned>(kWindow - count);
        LineMasks masks = scanWhole(text - drop);
        masks.newlines >>= drop;
        masks.equals >>= drop;
        masks.opens >>= drop;
        masks.closes >>= drop;
        masks.zeros >>= drop;
        return masks;
    }
    LineMasks masks;
    const unsigned whole = static_cast<unsigned>(count / kBlock * kBlock);
    for (unsigned at = 0; at < whole; at += kBlock) addBlock(masks, load(text + at), 0, at);
    if (whole == count) return masks;
    const unsigned drop = static_cast<unsigned>(kBlock - (count - whole));
    if (whole != 0 || behind >= drop) {
        addBlock(masks, load(text + count - kBlock), drop, whole);
        return masks;
    }
    char block[kBlock] = {};
    std::memcpy(block + drop, text, count);
    addBlock(masks, load(block), drop, 0);
    return masks;
}
#endif

inline unsigned lowestBit(std::uint64_t bits) { return static_cast<unsigned>(__builtin_ctzll(bits)); }
inline unsigned highestBit(std::uint64_t bits) { return 63u - static_cast<unsigned>(__builtin_clzll(bits)); }

// a + b + carry, with the carry out of bit 63 left in carry.
inline std::uint64_t addWithCarry(std::uint64_t a, std::uint64_t b, bool& carry) {
    std::uint64_t sum = 0;
    const bool first = __builtin_add_overflow(a, b, &sum);
    const bool second = __builtin_add_overflow(sum, std::uint64_t{carry}, &sum);
    carry = first || second;
    return sum;
}

} // namespace Detail

// The masks of the first min(available, 64) bytes at text; available is at
// least 1, and the behind bytes before text may be read too.  Work is done a
// block of 16 bytes at a time where the processor has the instructions for
// it (never reading outside the bytes given and those behind), and byte by
// byte otherwise.
// Inline: it runs once per window of every text.
inline LineMasks scanWindow(const char* text, std::size_t available, std::size_t behind = 0) {
    const std::size_t count = available < kWindow ? available : kWindow;
#if defined(TRILLO_SSE2_WINDOWS)
    return Detail::scanBlocks(text, count, behind);
#else
    static_cast<void>(behind);
    return Detail::scanBytes(text, count);
#endif
}

// Where the first byte equal to one of the two lies in the size bytes at
// text, or size: for the short texts of the frames, blocks of 16 bytes
// inline where the processor has them, rather than a call.
inline std::size_t findEither(const char* text, std::size_t size, char byte, char other) {
    std::size_t at = 0;
#if defined(TRILLO_SSE2_WINDOWS)
    const auto found = [&](std::size_t start) {
        const __m128i bytes = Detail::load(text + start);
        return Detail::lanesEqual(bytes, byte) | Detail::lanesEqual(bytes, other);
    };
    for (; at + Detail::kBlock <= size; at += Detail::kBlock) {
        const std::uint64_t lanes = found(at);
        if (lanes != 0) return at + Detail::lowestBit(lanes);
    }
    if (size >= Detail::kBlock && at != size) {
        const std::size_t start = size - Detail::kBlock;
        const std::uint64_t lanes = found(start) >> (at - start);
        return lanes != 0 ? at + Detail::lowestBit(lanes) : size;
    }
#endif
    for (; at < size; ++at)
        if (text[at] == byte || text[at] == other) return at;
    return size;
}

inline std::size_t findByte(const char* text, std::size_t size, char byte) {
    return findEither(text, size, byte, byte);
}

constexpr std::size_t kNowhere = SIZE_MAX;

// The judgement of a text that begins where a line begins.
struct TextLines {
    std::size_t size = 0;              // the text's bytes before its first 0 byte
    std::size_t end = 0;               // of those, the bytes up to its last "\n", which is included
    bool allPass = true;               // every line that ends there passes its checks
    std::size_t lastHeader = kNowhere; // where the last section line among them begins
};

// Judges every complete line of a text at once, with masks instead of a loop
// over the lines: a section line is "[" name "]" with a name and nothing
// after the first "]", a field line has an "=" and does not begin with one,
// and comes after a section line (or sectionOpen).  The text ends at its
// first 0 byte.
//
// The masks are read as numbers of 64 bits, a window of 64 bytes each, and a
// carry links one window to the next, as if the text were one long number.
// Every byte that is not a newline is a byte of a line.  Adding a line's
// start bit to the bits of the bytes that may follow it carries up to the
// first byte that may not: to its newline when every byte is there.  So the
// newlines that a carry reaches mark the field lines without an "=" (their
// "=" bytes taken out first), and a carry from a section line's "[" stops at
// its first "]" (or, without one, at its newline), which must be followed by
// the newline.  A mark at or before the last newline is a line that fails;
// marks after it belong to the unfinished last line, which is not judged.
inline TextLines judgeText(const char* text, std::size_t size, bool sectionOpen) {
    using Detail::highestBit;
    using Detail::lowestBit;
    TextLines lines;
    std::uint64_t lineStartIn = 1; // the text begins a line
    std::uint64_t closeIn = 0;     // a first "]" ended the window before: its next byte
    std::uint64_t nameIn = 0;      // a "[" ended the window before: its next byte
    bool fieldCarry = false;
    bool headerCarry = false;
    std::size_t firstBad = kNowhere;
    // The last window with newlines, the last with section lines and the
    // one with section lines before it: where they begin, and their bits.
    std::size_t newlinesAt = 0, headersAt = 0, earlierHeadersAt = 0;
    std::uint64_t lastNewlines = 0, lastHeaders = 0, earlierHeaders = 0;
    for (std::size_t at = 0; at < size; at += kWindow) {
        LineMasks masks = scanWindow(text + at, size - at, at);
        std::size_t count = size - at < kWindow ? size - at : kWindow;
        if (masks.zeros != 0) {
            count = lowestBit(masks.zeros);
            size = at + count;
        }
        const std::uint64_t valid = count == kWindow ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
        const std::uint64_t newlines = masks.newlines & valid;
        const std::uint64_t closes = masks.closes & valid;
        const std::uint64_t starts = ((newlines << 1) | lineStartIn) & valid;
        const std::uint64_t headerStarts = starts & masks.opens;
        const std::uint64_t fieldStarts = starts & ~masks.opens; // an empty line too: it starts at its newline
        const std::uint64_t keyEnds = masks.equals & ~starts;
        const std::uint64_t fieldsWithoutKey =
            Detail::addWithCarry(~newlines & ~keyEnds, fieldStarts, fieldCarry) & newlines;
        const std::uint64_t headerStops = Detail::addWithCarry(~newlines & ~closes, headerStarts, headerCarry) &
                                          (newlines | closes); // a header's first "]", or its newline
        const std::uint64_t firstCloses = headerStops & closes;
        std::uint64_t bad = fieldsWithoutKey | (fieldStarts & masks.equals) | (headerStops & newlines) |
                            (((firstCloses << 1) | closeIn) & ~newlines) | // something after the "]"
                            (((headerStarts << 1) | nameIn) & closes);     // no name
        if (!sectionOpen) {
            const std::uint64_t beforeFirstHeader =
                headerStarts == 0 ? ~std::uint64_t{0} : (headerStarts & (0 - headerStarts)) - 1;
            bad |= fieldStarts & beforeFirstHeader;
            sectionOpen = headerStarts != 0;
        }
        bad &= valid;
        lineStartIn = newlines >> 63;
        closeIn = firstCloses >> 63;
        nameIn = headerStarts >> 63;
        if (bad != 0 && firstBad == kNowhere) firstBad = at + lowestBit(bad);
        // Kept without branches: whether a window has section lines is as
        // likely as not.
        const bool hasNewlines = newlines != 0;
        newlinesAt = hasNewlines ? at : newlinesAt;
        lastNewlines = hasNewlines ? newlines : lastNewlines;
        const bool hasHeaders = headerStarts != 0;
        earlierHeadersAt = hasHeaders ? headersAt : earlierHeadersAt;
        earlierHeaders = hasHeaders ? lastHeaders : earlierHeaders;
        headersAt = hasHeaders ? at : headersAt;
        lastHeaders = hasHeaders ? headerStarts : lastHeaders;
    }
    lines.size = size;
    lines.end = lastNewlines == 0 ? 0 : newlinesAt + highestBit(lastNewlines) + 1;
    lines.allPass = firstBad == kNowhere || firstBad >= lines.end;
    // The last section line before the end.  Only the unfinished last line
    // begins at or after the end: when it is the only section line of its
    // window, the last one before lies in the window before.
    const std::size_t reach = headersAt < lines.end ? lines.end - headersAt : 0;
    const std::uint64_t complete = reach >= kWindow ? lastHeaders : lastHeaders & ((std::uint64_t{1} << reach) - 1);
    if (complete != 0)
        lines.lastHeader = headersAt + highestBit(complete);
    else if (earlierHeaders != 0)
        lines.lastHeader = earlierHeadersAt + highestBit(earlierHeaders);
    return lines;
}

} // namespace Liedwerk
