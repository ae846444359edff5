// Where the bytes that matter to the text's grammar lie in a window of text.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) && !defined(TRILLO_NO_SIMD)
#define TRILLO_SSE2_WINDOWS 1
#include <emmintrin.h>
#endif

namespace Liedwerk {

// One bit per byte of a window of up to 64 bytes, bit i for the window's
// byte i: the newlines, the "=", "[" and "]" bytes.
struct LineMasks {
    std::uint64_t newlines = 0;
    std::uint64_t equals = 0;
    std::uint64_t opens = 0;
    std::uint64_t closes = 0;
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
    }
    return masks;
}

#if defined(TRILLO_SSE2_WINDOWS)
inline std::uint64_t lanesEqual(__m128i bytes, char byte) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(byte))));
}

inline void addBlock(LineMasks& masks, __m128i bytes, unsigned drop, unsigned at) {
    masks.newlines |= (lanesEqual(bytes, '\n') >> drop) << at;
    masks.equals |= (lanesEqual(bytes, '=') >> drop) << at;
    masks.opens |= (lanesEqual(bytes, '[') >> drop) << at;
    masks.closes |= (lanesEqual(bytes, ']') >> drop) << at;
}

inline __m128i load(const char* text) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(text)); }

// Blocks of 16 bytes; the last one, when it would reach past the bytes
// given, is loaded so that it ends with them and its lanes are shifted down.
// A whole window, the usual case, is four blocks in place.
inline LineMasks scanBlocks(const char* text, std::size_t count) {
    LineMasks masks;
    if (count == kWindow) {
        for (unsigned at = 0; at < kWindow; at += kBlock) addBlock(masks, load(text + at), 0, at);
        return masks;
    }
    for (std::size_t at = 0; at < count; at += kBlock) {
        const std::size_t start = at + kBlock <= count ? at : count - kBlock;
        const unsigned drop = static_cast<unsigned>(at - start);
        addBlock(masks, load(text + start), drop, static_cast<unsigned>(at));
    }
    return masks;
}
#endif

} // namespace Detail

// The masks of the first min(available, 64) bytes at text; available is at
// least 1.  Work is done a block of 16 bytes at a time where the processor
// has the instructions for it (never reading outside the bytes given), and
// byte by byte otherwise.  Inline: it runs once per window of every text.
inline LineMasks scanWindow(const char* text, std::size_t available) {
    const std::size_t count = available < kWindow ? available : kWindow;
#if defined(TRILLO_SSE2_WINDOWS)
    if (count >= Detail::kBlock) return Detail::scanBlocks(text, count);
#endif
    return Detail::scanBytes(text, count);
}

// Where the first byte equal to byte lies in the size bytes at text, or size:
// for the short texts of the frames, blocks of 16 bytes inline where the
// processor has them, rather than a call.
inline std::size_t findByte(const char* text, std::size_t size, char byte) {
    std::size_t at = 0;
#if defined(TRILLO_SSE2_WINDOWS)
    for (; at + Detail::kBlock <= size; at += Detail::kBlock) {
        const std::uint64_t found = Detail::lanesEqual(Detail::load(text + at), byte);
        if (found != 0) return at + static_cast<std::size_t>(__builtin_ctzll(found));
    }
    if (size >= Detail::kBlock && at != size) {
        const std::size_t start = size - Detail::kBlock;
        const std::uint64_t found = Detail::lanesEqual(Detail::load(text + start), byte) >> (at - start);
        return found != 0 ? at + static_cast<std::size_t>(__builtin_ctzll(found)) : size;
    }
#endif
    for (; at < size; ++at)
        if (text[at] == byte) return at;
    return size;
}

// The complete lines of a window that begins where a line begins, judged
// all at once.
struct WindowLines {
    unsigned end = 0;               // bytes up to the last "\n", which is included
    bool allPass = false;           // every complete line passes its checks
    std::uint64_t headerStarts = 0; // where the section lines begin (when allPass)
};

// Judges the complete lines of a window with at least one newline, with
// masks instead of a loop over the lines: a section line is "[" name "]"
// with a name and nothing after the first "]", a field line has an "=" and
// does not begin with one, and comes after a section line (or sectionOpen).
//
// The lines' bytes are the newlines minus the line starts: each line of n
// bytes from bit s gives 2^(s+n) - 2^s, bits s to s+n-1, and no borrow
// crosses a line.  Adding a line's start bit to its bytes carries up to the
// first byte that is missing: through the whole line to its newline when
// every byte is there.  So the newlines that a carry reaches mark the field
// lines without an "=" (their "=" bytes taken out first) and the section
// lines (all their bytes there).
inline WindowLines judgeLines(const LineMasks& masks, bool sectionOpen) {
    WindowLines lines;
    const std::uint64_t newlines = masks.newlines;
    const unsigned last = 63u - static_cast<unsigned>(__builtin_clzll(newlines));
    lines.end = last + 1;
    const std::uint64_t complete = last == 63 ? ~std::uint64_t{0} : (std::uint64_t{2} << last) - 1;
    const std::uint64_t starts = ((newlines << 1) | 1) & complete;
    const std::uint64_t bytes = newlines - starts;
    const std::uint64_t headerStarts = starts & masks.opens;
    const std::uint64_t fieldStarts = starts & ~masks.opens; // an empty line too: it starts at its newline
    const std::uint64_t keyEnds = masks.equals & bytes & ~starts;
    const std::uint64_t fieldsWithoutKey = ((bytes & ~keyEnds) + fieldStarts) & newlines;
    const std::uint64_t headerEnds = (bytes + headerStarts) & newlines;
    const std::uint64_t headerBytes = ((bytes + headerStarts) ^ bytes) & bytes;
    const bool headersPass = (masks.closes & headerBytes) == (headerEnds >> 1) && // the first "]" ends the line
                             ((headerStarts << 1) & masks.closes) == 0;           // after a name
    const std::uint64_t beforeFirstHeader = headerStarts == 0 ? ~std::uint64_t{0} : (headerStarts & -headerStarts) - 1;
    const bool fieldsPass = fieldsWithoutKey == 0 && (fieldStarts & masks.equals) == 0 && // a key before the first "="
                            (sectionOpen || (fieldStarts & beforeFirstHeader) == 0);
    lines.allPass = headersPass && fieldsPass;
    lines.headerStarts = headerStarts;
    return lines;
}

} // namespace Liedwerk
