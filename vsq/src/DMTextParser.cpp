#include "DMTextParser.h"

#include <algorithm>
#include <cstring>

#include <liedwerk/Exceptions.h>

namespace Liedwerk {

TextParsers::Hooks::~Hooks() = default;

void TextBuffer::grow(std::size_t count) {
    const std::size_t capacity = std::max(size_ + count, 2 * capacity_);
    std::unique_ptr<char[]> grown(new char[capacity]);
    std::memcpy(grown.get(), data_, size_);
    grown_ = std::move(grown);
    data_ = grown_.get();
    capacity_ = capacity;
}

void TextBuffer::clear() {
    size_ = 0;
    if (capacity_ <= kKept) return;
    grown_.reset();
    data_ = inPlace_;
    capacity_ = kInPlace;
}

// The complete lines of the payload are judged at once; when they all pass
// they go to the receiver as they lie, else one by one up to the one that
// fails.
void DMTextParser::feed(std::string_view payload) {
    const char* at = payload.data();
    std::size_t size = payload.size();
    if (!pending_.empty()) {
        const std::size_t end = findEither(at, size, '\n', '\0');
        pending_.append(at, end);
        if (end == size || at[end] == '\0') return; // the payload ends before the line does
        completePending();
        at += end + 1;
        size -= end + 1;
    }
    const TextLines lines = judgeText(at, size, !section_.empty());
    if (lines.allPass) {
        Run run;
        run.start = at;
        run.end = at + lines.end;
        if (lines.lastHeader != kNowhere) {
            const char* const header = at + lines.lastHeader;
            run.lastHeader = std::string_view(header, findByte(header, lines.end - lines.lastHeader, '\n'));
        }
        reportRun(run);
    } else {
        eachLine(at, lines.end); // throws at the line that fails
    }
    pending_.append(at + lines.end, lines.size - lines.end);
}

// The line that straddled payloads has its "\n" now: it is a run of its own.
void DMTextParser::completePending() {
    pending_.append("\n", 1);
    const std::string_view withNewline = pending_.view();
    const std::string_view line = withNewline.substr(0, withNewline.size() - 1);
    const LineKind kind = readLine(line, !section_.empty());
    if (kind != LineKind::Section && kind != LineKind::Field) parseLine(line); // throws
    Run run;
    run.start = withNewline.data();
    run.end = run.start + withNewline.size();
    if (kind == LineKind::Section) run.lastHeader = line;
    reportRun(run);
    pending_.clear();
}

// The complete lines in the end bytes at at, one at a time: those that pass
// gather into a run, and a line that does not is reported after the run
// before it, and fails.
void DMTextParser::eachLine(const char* at, std::size_t end) {
    Run run;
    bool sectionOpen = !section_.empty();
    for (const char* const stop = at + end; at != stop;) {
        const std::string_view line(at, findByte(at, static_cast<std::size_t>(stop - at), '\n'));
        take(run, line, readLine(line, sectionOpen), sectionOpen);
        at += line.size() + 1;
    }
    reportRun(run);
}

// A line that passes joins the run (a header opens its section); one that
// does not first ends the run and then fails in parseLine.
void DMTextParser::take(Run& run, std::string_view line, LineKind kind, bool& sectionOpen) {
    if (kind != LineKind::Section && kind != LineKind::Field) {
        reportRun(run);
        return parseLine(line); // throws
    }
    if (run.start == nullptr) run.start = line.data();
    run.end = line.data() + line.size() + 1;
    if (kind == LineKind::Section) {
        run.lastHeader = line;
        sectionOpen = true;
    }
}

// The run goes to the receiver with the section open at its start; the last
// header in it names the section open after it.
void DMTextParser::reportRun(const Run& run) {
    if (run.start == run.end) return;
    receiver_.onLines(section_.view(), std::string_view(run.start, static_cast<std::size_t>(run.end - run.start)));
    if (!run.lastHeader.empty()) section_.assign(sectionName(run.lastHeader));
}

void DMTextParser::finish() {
    if (pending_.empty()) return;
    parseLine(pending_.view());
    pending_.clear();
}

// One line without its "\n", on its own.
void DMTextParser::parseLine(std::string_view line) {
    switch (readLine(line, !section_.empty())) {
    case LineKind::Section:
        endSection();
        section_.assign(sectionName(line));
        return receiver_.onSectionName(section_.view());
    case LineKind::MalformedSection:
        endSection(); // a header line ends the open section, even a malformed one
        throw Ex::MalformedSectionName();
    case LineKind::FieldBeforeSection:
        throw Ex::SectionIdentifierLacked();
    case LineKind::MalformedField:
        throw Ex::MalformedField();
    case LineKind::Field:
        break;
    }
    const std::size_t equals = line.find('=');
    receiver_.onKeyValue(section_.view(), line.substr(0, equals), line.substr(equals + 1));
}

void DMTextParser::endSection() {
    if (section_.empty()) return;
    receiver_.onSectionEnd(section_.view());
    section_.clear();
}

void DMTextParser::reset() {
    section_.clear();
    pending_.clear();
}

} // namespace Liedwerk
