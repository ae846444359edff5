// The check of a voice's text before it is written: the grammar that
// DMTextParser reads (see DMTextParser.h), and what the frames cannot carry.
#include <cstring>

#include <liedwerk/WriteVSQ.h>

namespace Liedwerk::WriteVSQs {

namespace {

// The position of the first byte equal to byte in length bytes, or length.
std::size_t findByte(const char* text, std::size_t length, char byte) {
    const void* found = length == 0 ? nullptr : std::memchr(text, byte, length);
    return found == nullptr ? length : static_cast<std::size_t>(static_cast<const char*>(found) - text);
}

// One line without its "\n", not empty, without 0 bytes.
Problem::Kind checkLine(const char* line, std::size_t length, bool& sectionSeen) {
    if (line[0] == '[') {
        // "[name]": the first "]" ends the line, and the name is not empty.
        const std::size_t close = 1 + findByte(line + 1, length - 1, ']');
        if (close == 1 || close + 1 != length) return Problem::MalformedSection;
        sectionSeen = true;
        return Problem::None;
    }
    if (!sectionSeen) return Problem::FieldBeforeSection;
    if (line[0] == '=' || findByte(line, length, '=') == length) return Problem::MalformedField;
    return Problem::None;
}

} // namespace

Problem checkText(std::string_view text) {
    Problem problem;
    if (text.empty()) {
        problem.kind = Problem::EmptyText;
        return problem;
    }
    const char* bytes = text.data();
    const std::size_t size = text.size();
    const std::size_t zero = findByte(bytes, size, '\0'); // size: none
    bool sectionSeen = false;
    for (std::size_t start = 0; start < size;) {
        const std::size_t end = start + findByte(bytes + start, size - start, '\n');
        if (end == start) {
            problem.kind = Problem::EmptyLine;
        } else if (zero < end) {
            problem.kind = Problem::ZeroByte;
        } else {
            problem.kind = checkLine(bytes + start, end - start, sectionSeen);
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
