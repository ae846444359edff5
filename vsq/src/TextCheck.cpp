// The check of a voice's text before it is written: the grammar that
// DMTextParser reads, judged a window at a time as it does (LineMasks.h), and
// what the frames cannot carry.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include <liedwerk/WriteVSQ.h>

#include "LineMasks.h"

namespace Liedwerk::WriteVSQs {

namespace {

constexpr std::size_t kZeroSearchStep = 64 * 1024;

unsigned lowestBit(std::uint64_t bits) { return static_cast<unsigned>(__builtin_ctzll(bits)); }

// Whether a part of the text holds a 0 byte.  Parts are asked front to back;
// the text is searched once, a block at a time, as far as they reach.
class ZeroBytes {
public:
    ZeroBytes(const char* text, std::size_t size) : text_(text), size_(size) {}

    bool before(std::size_t end) {
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

// The lines of a text, checked front to back.
class Checker {
public:
    explicit Checker(std::string_view text) : text_(text), zeros_(text.data(), text.size()) {}

    Problem run() {
        std::size_t at = 0;
        while (at < text_.size() && problem_.kind == Problem::None) at = window(at);
        return problem_;
    }

private:
    // The complete lines of the window at at, judged at once when all of them
    // pass and hold no 0 byte, else one by one.  Returns where the next
    // window begins.
    std::size_t window(std::size_t at) {
        const std::size_t available = text_.size() - at;
        const LineMasks masks = scanWindow(text_.data() + at, available);
        if (masks.newlines == 0) return longLine(at);
        const WindowLines lines = judgeLines(masks, sectionSeen_);
        if (lines.allPass && !zeros_.before(at + lines.end)) {
            sectionSeen_ = sectionSeen_ || lines.headerStarts != 0;
            return at + lines.end;
        }
        std::size_t start = at;
        for (std::uint64_t newlines = masks.newlines; newlines != 0 && problem_.kind == Problem::None;
             newlines &= newlines - 1) {
            const std::size_t end = at + lowestBit(newlines);
            line(start, end);
            start = end + 1;
        }
        return start;
    }

    // A line that does not end inside its window: the last one, without its
    // "\n", or one longer than the window.
    std::size_t longLine(std::size_t at) {
        const std::size_t newline = text_.find('\n', at + std::min(kWindow, text_.size() - at));
        const std::size_t end = std::min(newline, text_.size());
        line(at, end);
        return end + 1;
    }

    // The line from start to end (its "\n" or the text's end).
    void line(std::size_t start, std::size_t end) {
        problem_.kind = end == start         ? Problem::EmptyLine
                        : zeros_.before(end) ? Problem::ZeroByte
                                             : grammar(text_.substr(start, end - start));
        if (problem_.kind != Problem::None) problem_.offset = start;
    }

    // One line, not empty, without 0 bytes.
    Problem::Kind grammar(std::string_view line) {
        if (line[0] == '[') {
            // "[name]": the first "]" ends the line, and the name is not empty.
            const std::size_t close = line.find(']');
            if (close <= 1 || close + 1 != line.size()) return Problem::MalformedSection;
            sectionSeen_ = true;
            return Problem::None;
        }
        if (!sectionSeen_) return Problem::FieldBeforeSection;
        const std::size_t equals = line.find('=');
        if (equals == 0 || equals == std::string_view::npos) return Problem::MalformedField;
        return Problem::None;
    }

    std::string_view text_;
    ZeroBytes zeros_;
    bool sectionSeen_ = false;
    Problem problem_;
};

} // namespace

std::size_t textLength(std::string_view bytes) {
    if (!bytes.empty() && bytes[0] == '\n') return 0; // the first line is empty
    std::uint64_t lastWasNewline = 0;                 // the previous window's last byte, as bit 0
    for (std::size_t at = 0; at < bytes.size(); at += kWindow) {
        const std::uint64_t newlines = scanWindow(bytes.data() + at, bytes.size() - at).newlines;
        // A "\n" whose previous byte is one too: the empty line begins there.
        const std::uint64_t pairs = newlines & ((newlines << 1) | lastWasNewline);
        if (pairs != 0) return at + lowestBit(pairs);
        lastWasNewline = newlines >> 63;
    }
    return bytes.size();
}

Problem checkText(std::string_view text) {
    if (text.empty()) {
        Problem problem;
        problem.kind = Problem::EmptyText;
        return problem;
    }
    return Checker(text).run();
}

} // namespace Liedwerk::WriteVSQs
