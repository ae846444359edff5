// The receiver interface of the DM text parser.
#pragma once

#include <string_view>

namespace Liedwerk::TextParsers {

// Receives the lines of one voice track's DM text: groups of onSectionName,
// any number of fields, onSectionEnd; or runs of such lines at once.  A header line ends the group before
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
    // Consecutive checked lines as they stand in one payload (or a line that
    // straddled payloads, put together), section lines and field lines, each
    // ending in "\n"; section is the one open before the first of them
    // (empty if none).  The calls that the lines stand for
    // are onSectionEnd, onSectionName and onKeyValue as for single lines.
    virtual void onLines(std::string_view section, std::string_view lines) = 0;
};

} // namespace Liedwerk::TextParsers
