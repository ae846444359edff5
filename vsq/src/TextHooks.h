// The receiver interface of the DM text parser.
#pragma once

#include <string_view>

namespace Liedwerk::TextParsers {

// Receives the lines of one voice track's DM text: groups of onSectionName,
// any number of fields, onSectionEnd.  A header line ends the group before
// it; the track's end ends the last.  Texts point into the payload being fed
// or into the parser's own storage, and are valid only during the call.
class Hooks {
public:
    virtual ~Hooks() = 0;

    // A "[name]" line: the named section is now open.
    virtual void onSectionName(std::string_view name) = 0;
    // The open section, of this name, ends.
    virtual void onSectionEnd(std::string_view name) = 0;
    // A "key=value" line of the open section.
    virtual void onKeyValue(std::string_view section, std::string_view key, std::string_view value) = 0;
    // Consecutive checked "key=value\n" lines of the open section, as they
    // stand in one payload.
    virtual void onKeyValueLines(std::string_view section, std::string_view lines) = 0;
};

} // namespace Liedwerk::TextParsers
