// The check of a voice's text before it is written: the grammar that
// DMTextParser reads, judged as it judges it (LineMasks.h), and
// what the frames cannot carry.
#include <algorithm>
#include <cstdint>

#include <liedwerk/WriteVSQ.h>

#include "LineMasks.h"

namespace Liedwerk::WriteVSQs {

namespace {

// The lines of a text, checked front to back.
class Checker {
public:
    explicit Checker(std::string_view text) : text_(text) {}

    // The complete lines are judged at once: those before a 0 byte, when
    // they all pass, are passed over; the rest (all, when one fails) are
    // taken one by one to find where the problem lies.
    Problem run() {
        const TextLines lines = judgeText(text_.data(), text_.size(), false);
        firstZero_ = lines.size;
        std::size_t at = 0;
        if (lines.allPass) {
            at = lines.end;
            sectionSeen_ = lines.lastHeader != kNowhere;
        }
        while (at < text_.size() && problem_.kind == Problem::None) at = nextLine(at);
        return problem_;
    }

private:
    // The line at at, ended by its "\n" or the text's end.  Returns where the
    // next line begins.
    std::size_t nextLine(std::size_t at) {
        const std::size_t end = std::min(text_.find('\n', at), text_.size());
        line(at, end);
        return end + 1;
    }

    // The line from start to end (its "\n" or the text's end).
    void line(std::size_t start, std::size_t end) {
        problem_.kind = end == start       ? Problem::EmptyLine
                        : firstZero_ < end ? Problem::ZeroByte
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
    std::size_t firstZero_ = 0; // where the text's first 0 byte lies, or its size
    bool sectionSeen_ = false;
    Problem problem_;
};

} // namespace

std::size_t textLength(std::string_view bytes) {
    if (!bytes.empty() && bytes[0] == '\n') return 0; // the first line is empty
    std::uint64_t lastWasNewline = 0;                 // the previous window's last byte, as bit 0
    for (std::size_t at = 0; at < bytes.size(); at += kWindow) {
        const std::uint64_t newlines = scanWindow(bytes.data() + at, bytes.size() - at, at).newlines;
        // A "\n" whose previous byte is one too: the empty line begins there.
        const std::uint64_t pairs = newlines & ((newlines << 1) | lastWasNewline);
        if (pairs != 0) return at + Detail::lowestBit(pairs);
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
