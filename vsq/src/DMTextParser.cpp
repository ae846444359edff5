#include "DMTextParser.h"

#include <cstring>

#include <liedwerk/Exceptions.h>

namespace Liedwerk {

TextParsers::Hooks::~Hooks() = default;

namespace {

// An assembled line that grew past this is not kept around for the next one.
constexpr std::size_t kKeptLineCapacity = 4096;

void emptyLine(std::string& line) {
    line.clear();
    if (line.capacity() > kKeptLineCapacity) std::string().swap(line);
}

} // namespace

TextRange splitAt(TextRange& range, char delimiter) {
    const void* found = range.length == 0 ? nullptr : std::memchr(range.start, delimiter, range.length);
    if (found == nullptr) return TextRange{range.start, 0};
    const auto before = static_cast<std::size_t>(static_cast<const char*>(found) - range.start);
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
    currentSection_.assign(name.start, name.length);
    receiver_.onSectionName(currentSection_.c_str());
}

void DMTextParser::parseField(TextRange line) {
    if (currentSection_.empty()) throw Ex::SectionIdentifierLacked();
    const TextRange key = splitAt(line, '=');
    if (key.length == 0) throw Ex::MalformedField();
    key_.assign(key.start, key.length);
    value_.assign(line.start, line.length);
    receiver_.onKeyValue(currentSection_.c_str(), key_.c_str(), value_.c_str());
}

void DMTextParser::endSection() {
    if (currentSection_.empty()) return;
    receiver_.onSectionEnd(currentSection_.c_str());
    currentSection_.clear();
}

void feedText(std::string& partialLine, DMTextParser& parser, const char* payload) {
    const char* rest = payload;
    std::size_t restLength = std::strlen(payload);
    while (restLength != 0) {
        const void* found = std::memchr(rest, '\n', restLength);
        if (found == nullptr) {
            partialLine.append(rest, restLength);
            return;
        }
        const auto lineLength = static_cast<std::size_t>(static_cast<const char*>(found) - rest) + 1;
        if (partialLine.empty()) {
            parser.parseLine(rest, lineLength);
        } else {
            partialLine.append(rest, lineLength);
            parser.parseLine(partialLine.data(), partialLine.size());
            emptyLine(partialLine);
        }
        rest += lineLength;
        restLength -= lineLength;
    }
}

void finishText(std::string& partialLine, DMTextParser& parser) {
    if (partialLine.empty()) return;
    parser.parseLine(partialLine.data(), partialLine.size());
    emptyLine(partialLine);
}

} // namespace Liedwerk
