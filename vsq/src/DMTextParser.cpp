#include "DMTextParser.h"

#include <cstring>

#include <liedwerk/Exceptions.h>

#include "LineMasks.h"

namespace Liedwerk {

TextParsers::Hooks::~Hooks() = default;

namespace {

// A line put together from payloads that grew past this does not keep its
// storage for the next one.
constexpr std::size_t kKeptLineCapacity = 4096;

unsigned lowestBit(std::uint64_t bits) { return static_cast<unsigned>(__builtin_ctzll(bits)); }

} // namespace

// Whether a complete line (without its "\n") passes the grammar's checks; a
// field line passes only while a section is open.  Lines that do not pass
// go to parseLine, which reports what is wrong.
DMTextParser::LineKind DMTextParser::classify(std::string_view line, bool sectionOpen) {
    if (!line.empty() && line[0] == '[') {
        const std::size_t close = line.find(']');
        return close > 1 && close + 1 == line.size() ? Header : Bad;
    }
    const std::size_t equals = line.find('=');
    return sectionOpen && equals != 0 && equals != std::string_view::npos ? Field : Bad;
}

void DMTextParser::feed(std::string_view payload) {
    const char* at = payload.data();
    const char* const end = at + payload.size();
    if (!partial_.empty()) {
        const std::size_t newline = findByte(at, payload.size(), '\n');
        partial_.append(at, newline);
        if (newline == payload.size()) return;
        parseLine(partial_);
        partial_.clear();
        if (partial_.capacity() > kKeptLineCapacity) std::string().swap(partial_);
        at += newline + 1;
    }
    at = scanLines(at, end);
    partial_.assign(at, static_cast<std::size_t>(end - at));
}

// The complete lines from at on, a window of up to 64 bytes at a time; each
// window begins where a line begins, and its complete lines are judged all
// at once.  Lines that pass their checks gather into one run; a line that
// does not is reported after the run before it, and fails.  Returns where
// the last, incomplete line begins.
const char* DMTextParser::scanLines(const char* at, const char* end) {
    Run run;
    bool sectionOpen = !section_.empty();
    while (at != end) {
        const std::size_t available = static_cast<std::size_t>(end - at);
        const LineMasks masks = scanWindow(at, available);
        if (masks.newlines == 0) {
            if (available <= kWindow) break; // the rest is an incomplete line
            const char* const next = longLine(at, end, run, sectionOpen);
            if (next == nullptr) break; // so is this longer one
            at = next;
            continue;
        }
        const WindowLines lines = judgeLines(masks, sectionOpen);
        if (lines.allPass) {
            takeWindow(run, at, masks.newlines, lines, sectionOpen);
            at += lines.end;
        } else {
            at += takeEachLine(run, at, masks, sectionOpen); // throws at the line that fails
        }
    }
    reportRun(run);
    return at;
}

// Every complete line of the window passed: the run grows by all of them.
void DMTextParser::takeWindow(Run& run, const char* at, std::uint64_t newlines, const WindowLines& lines,
                              bool& sectionOpen) {
    if (run.start == nullptr) run.start = at;
    run.end = at + lines.end;
    if (lines.headerStarts == 0) return;
    const unsigned header = 63u - static_cast<unsigned>(__builtin_clzll(lines.headerStarts));
    const unsigned newline = lowestBit(newlines & ~((std::uint64_t{2} << header) - 1));
    run.lastHeader = std::string_view(at + header, newline - header);
    sectionOpen = true;
}

// The window's lines one at a time, up to the one that fails.  Returns the
// bytes taken.
unsigned DMTextParser::takeEachLine(Run& run, const char* at, const LineMasks& masks, bool& sectionOpen) {
    unsigned start = 0;
    for (std::uint64_t newlines = masks.newlines; newlines != 0; newlines &= newlines - 1) {
        const unsigned newline = lowestBit(newlines);
        const std::string_view line(at + start, newline - start);
        take(run, line, classify(line, sectionOpen), sectionOpen);
        start = newline + 1;
    }
    return start;
}

// A line that does not end inside its window (more than 64 bytes follow
// at): its "\n" is searched for beyond it.  Returns the byte after the line,
// or null when the payload ends first.
const char* DMTextParser::longLine(const char* at, const char* end, Run& run, bool& sectionOpen) {
    const void* const found = std::memchr(at + kWindow, '\n', static_cast<std::size_t>(end - at) - kWindow);
    if (found == nullptr) return nullptr;
    const char* const newline = static_cast<const char*>(found);
    const std::string_view line(at, static_cast<std::size_t>(newline - at));
    take(run, line, classify(line, sectionOpen), sectionOpen);
    return newline + 1;
}

// A line that passes joins the run (a header opens its section); one that
// does not first ends the run and then fails in parseLine.
void DMTextParser::take(Run& run, std::string_view line, LineKind kind, bool& sectionOpen) {
    if (kind == Bad) {
        reportRun(run);
        parseLine(line); // throws
        return;
    }
    if (run.start == nullptr) run.start = line.data();
    run.end = line.data() + line.size() + 1;
    if (kind == Header) {
        run.lastHeader = line;
        sectionOpen = true;
    }
}

// The run goes to the receiver with the section open at its start; the last
// header in it names the section open after it.
void DMTextParser::reportRun(Run& run) {
    if (run.start == nullptr) return;
    receiver_.onLines(section_, std::string_view(run.start, static_cast<std::size_t>(run.end - run.start)));
    if (!run.lastHeader.empty()) {
        section_.clear();
        section_.append(run.lastHeader.data() + 1, run.lastHeader.size() - 2);
    }
    run = Run();
}

void DMTextParser::finish() {
    if (partial_.empty()) return;
    parseLine(partial_);
    std::string().swap(partial_);
}

// One line without its "\n", on its own.
void DMTextParser::parseLine(std::string_view line) {
    if (!line.empty() && line[0] == '[') {
        endSection(); // before the header line is examined any further
        if (classify(line, false) != Header) throw Ex::MalformedSectionName();
        section_.assign(line.data() + 1, line.size() - 2);
        receiver_.onSectionName(section_);
        return;
    }
    if (section_.empty()) throw Ex::SectionIdentifierLacked();
    const std::size_t equals = line.find('=');
    if (equals == 0 || equals == std::string_view::npos) throw Ex::MalformedField();
    receiver_.onKeyValue(section_, line.substr(0, equals), line.substr(equals + 1));
}

void DMTextParser::endSection() {
    if (section_.empty()) return;
    receiver_.onSectionEnd(section_);
    section_.clear();
}

void DMTextParser::reset() {
    section_.clear();
    std::string().swap(partial_);
}

} // namespace Liedwerk
