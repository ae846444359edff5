#include "DMTextParser.h"

#include <cstring>

#include <liedwerk/Exceptions.h>

namespace Liedwerk {

TextParsers::Hooks::~Hooks() = default;

namespace {

// A line put together from payloads that grew past this does not keep its
// storage for the next one.
constexpr std::size_t kKeptLineCapacity = 4096;

// The first byte equal to byte in [from, to), or null.
const char* find(const char* from, const char* to, char byte) {
    return from == to ? nullptr : static_cast<const char*>(std::memchr(from, byte, static_cast<std::size_t>(to - from)));
}

} // namespace

void DMTextParser::feed(std::string_view payload) {
    const char* at = payload.data();
    const char* const end = at + payload.size();
    if (!partial_.empty()) {
        const char* const newline = find(at, end, '\n');
        if (newline == nullptr) {
            partial_.append(at, payload.size());
            return;
        }
        partial_.append(at, static_cast<std::size_t>(newline - at));
        parseLine(partial_);
        partial_.clear();
        if (partial_.capacity() > kKeptLineCapacity) std::string().swap(partial_);
        at = newline + 1;
    }
    // Field lines that pass their checks gather into a run; anything else
    // first reports the run, so the calls keep the text's order.
    const char* run = nullptr;
    for (const char* newline; (newline = find(at, end, '\n')) != nullptr; at = newline + 1) {
        const char* const equals = find(at, newline, '=');
        const bool goodField = equals != nullptr && equals != at && *at != '[' && !section_.empty();
        if (goodField) {
            if (run == nullptr) run = at;
            continue;
        }
        if (run != nullptr) reportRun(run, at);
        run = nullptr;
        parseLine(std::string_view(at, static_cast<std::size_t>(newline - at)));
    }
    if (run != nullptr) reportRun(run, at);
    partial_.assign(at, static_cast<std::size_t>(end - at));
}

void DMTextParser::reportRun(const char* start, const char* end) {
    receiver_.onKeyValueLines(section_, std::string_view(start, static_cast<std::size_t>(end - start)));
}

void DMTextParser::finish() {
    if (partial_.empty()) return;
    parseLine(partial_);
    std::string().swap(partial_);
}

// One line without its "\n".
void DMTextParser::parseLine(std::string_view line) {
    if (!line.empty() && line[0] == '[') {
        endSection(); // before the header line is examined any further
        return parseHeader(line.substr(1));
    }
    if (section_.empty()) throw Ex::SectionIdentifierLacked();
    const std::size_t equals = line.find('=');
    if (equals == 0 || equals == std::string_view::npos) throw Ex::MalformedField();
    receiver_.onKeyValue(section_, line.substr(0, equals), line.substr(equals + 1));
}

// Nothing may follow the first "]", not even a carriage return.
void DMTextParser::parseHeader(std::string_view rest) {
    const std::size_t close = rest.find(']');
    if (close == 0 || close == std::string_view::npos || close + 1 != rest.size()) throw Ex::MalformedSectionName();
    section_.assign(rest.data(), close);
    receiver_.onSectionName(section_);
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
