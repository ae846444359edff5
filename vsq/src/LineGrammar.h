// The grammar of one line of a voice track's text, read plainly:
//
//   line     = section | field
//   section  = "[" name "]"        (the first byte is "["; name not empty,
//                                   nothing after the first "]")
//   field    = key "=" value       (only inside a section; key not empty,
//                                   value may hold "=")
//
// The one place of these rules.  The text parser and the writer's text check
// ask it of each line they take one by one; the window judgement
// (LineMasks.h, judgeText) is their fast path over many lines, tested against
// this reading.
#pragma once

#include <string_view>

namespace Liedwerk {

// The first byte of a section line; the byte that ends its name, and the one
// that ends a field line's key.
constexpr char kSectionStart = '[';
constexpr char kNameEnd = ']';
constexpr char kKeyEnd = '=';

enum class LineKind {
    Section,            // "[name]"
    Field,              // "key=value" inside a section
    MalformedSection,   // begins with "[" but is not "[name]"
    FieldBeforeSection, // any other line while no section is open
    MalformedField,     // inside a section, nothing before a first "=", or no "="
};

// What a complete line (without its "\n") is; sectionOpen tells whether a
// section is open before it.
inline LineKind readLine(std::string_view line, bool sectionOpen) {
    if (!line.empty() && line[0] == kSectionStart) {
        const std::size_t close = line.find(kNameEnd);
        return close > 1 && close + 1 == line.size() ? LineKind::Section : LineKind::MalformedSection;
    }
    if (!sectionOpen) return LineKind::FieldBeforeSection;
    const std::size_t equals = line.find(kKeyEnd);
    return equals != 0 && equals != std::string_view::npos ? LineKind::Field : LineKind::MalformedField;
}

// The name of a line that readLine takes for a section.
inline std::string_view sectionName(std::string_view line) { return line.substr(1, line.size() - 2); }

} // namespace Liedwerk
