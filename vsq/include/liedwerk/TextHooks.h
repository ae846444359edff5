// The receiver interface of the DM text parser.
#pragma once

namespace Liedwerk::TextParsers {

// Receives the lines of one voice track's DM text: groups of onSectionName,
// any number of onKeyValue, onSectionEnd.  A header line ends the group before
// it; the track's end ends the last.  Strings are terminated byte strings
// valid only during the call.
class Hooks {
public:
    virtual ~Hooks() = 0;

    // A "[name]" line: the named section is now open.
    virtual void onSectionName(const char* name) = 0;
    // The open section, of this name, ends.
    virtual void onSectionEnd(const char* name) = 0;
    // A "key=value" line of the open section.
    virtual void onKeyValue(const char* section, const char* key, const char* value) = 0;
};

} // namespace Liedwerk::TextParsers
