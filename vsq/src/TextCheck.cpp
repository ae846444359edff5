// The check of a voice's text before it is written: the grammar that
// DMTextParser reads (LineGrammar.h), judged as it judges it, and what the
// frames cannot carry.
#include <algorithm>
#include <cstdint>

#include <liedwerk/WriteVSQ.h>

#include "LineGrammar.h"
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
        switch (readLine(line, sectionSeen_)) {
        case LineKind::Section:
            sectionSeen_ = true;
            return Problem::None;
        case LineKind::Field:
            return Problem::None;
        case LineKind::MalformedSection:
            return Problem::MalformedSection;
        case LineKind::FieldBeforeSection:
            return Problem::FieldBeforeSection;
        case LineKind::MalformedField:
            return Problem::MalformedField;
        }
        return Problem::None;
    }

    std::string_view text_;
    std::size_t firstZero_ = 0; // where the text's first 0 byte lies, or its size
    bool sectionSeen_ = false;
    Problem problem_;
};

} // namespace

PartFault checkPart(Part part, std::string_view text) {
    const char end = part == Part::SectionName ? kNameEnd : kKeyEnd;
    if (part != Part::Value && text.find(end) != std::string_view::npos) return PartFault::Delimiter;
    if (part == Part::Key && !text.empty() && text[0] == kSectionStart) return PartFault::Bracket;
    if (text.find('\n') != std::string_view::npos) return PartFault::Newline;
    if (text.find('\0') != std::string_view::npos) return PartFault::ZeroByte;
    if (part != Part::Value && text.empty()) return PartFault::Empty;
    return PartFault::None;
}

void appendSectionLine(std::string& text, std::string_view name) {
    text.append(1, kSectionStart).append(name).append(1, kNameEnd) += '\n';
}

void appendFieldLine(std::string& text, std::string_view key, std::string_view value) {
    text.append(key).append(1, kKeyEnd).append(value) += '\n';
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
