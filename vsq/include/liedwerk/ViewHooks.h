// The VSQ reader's receiver interface with lengths.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace Liedwerk::ParseVSQs {

// Receives what Liedwerk::ParseVSQ reads from one VSQ file, in the same order
// and at the same moments as ParseVSQs::Hooks (see Hooks.h for the order of
// calls), but with every text as a std::string_view: a pointer and a length,
// reported where the bytes lie.
//
// Texts are bytes exactly as stored (no character-set conversion, no
// trimming); they never hold a "\n" or a 0 byte.  They point into the range
// being fed or into the reader's storage, and are valid only for the duration
// of the call: copy what you keep.
//
// onLines hands over a run of consecutive lines of a voice track's text at
// once, as they stand in the text: one or more lines, each ending in "\n",
// each already checked: a section line "[name]" (name not empty, nothing
// after the "]") or a field line "key=value" (key not empty) of an open
// section.  section is the section open before the first line of the run
// (empty when none is).  The run stands for the calls that its lines make
// one by one: for a section line onEndSection of the open section (if any)
// and onBeginSection, for a field line onField.  The default implementation
// cuts the run and makes exactly those calls, so a receiver that wants single
// events overrides only the others; one that copies the lines (a dump, say)
// overrides onLines as well.  Which lines come together in one run depends
// on how the text was cut into frames (the last line of a track, without its
// "\n", comes singly); the calls they stand for, their order and their texts
// do not.  eachLine (below) cuts a run into its lines for a receiver that
// wants them one by one.
//
// Every call is made from inside ParseVSQ::feed.  Do not call feed of the
// reader that is calling you.  An exception thrown here passes out of feed
// unchanged and ends the parse: every later feed throws one of the same type.
class ViewHooks {
public:
    virtual ~ViewHooks();

    // voices: track chunks announced minus the master track (>= 1);
    // division: ticks per quarter note, 0 to 32767.
    virtual void onHeader(std::int32_t voices, std::int32_t division) = 0;
    virtual void onEndFile() = 0;
    virtual void onBeginTempoMap() = 0;
    virtual void onEndTempoMap() = 0;
    // tick: sum of the master track's delta times so far (wraps modulo 2^32);
    // tempo: quarter notes per minute, 60000000.0 / microseconds per quarter
    // (infinite for 0).
    virtual void onTempo(std::uint32_t tick, double tempo) = 0;
    // denominator is the power of two itself (4 for a quarter).
    virtual void onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) = 0;
    // track: the voice track's index, 0 for the file's second track chunk.
    virtual void onBeginTrack(std::int32_t track) = 0;
    virtual void onEndTrack(std::int32_t track) = 0;
    // name: never empty.
    virtual void onBeginSection(std::int32_t track, std::string_view name) = 0;
    virtual void onEndSection(std::int32_t track, std::string_view name) = 0;
    // key: never empty; value: may be empty and may hold "=".
    virtual void onField(std::int32_t track, std::string_view section, std::string_view key,
                         std::string_view value) = 0;
    // A run of checked lines, each ending in "\n"; never empty.
    virtual void onLines(std::int32_t track, std::string_view section, std::string_view lines);
};

// Cuts a run of checked lines, as onLines gets it, into its lines, in order
// (only such a run: every line ends in "\n", and a line that is not "[name]"
// holds an "="; anything else is undefined behaviour):
// section(name) for a section line "[name]", field(key, value) for a field
// line "key=value" (the key ends at the first "=").  The views point into
// lines.
template <class Section, class Field>
void eachLine(std::string_view lines, Section&& section, Field&& field) {
    const char* at = lines.data();
    const char* const end = at + lines.size();
    while (at != end) {
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        const auto length = static_cast<std::size_t>(newline - at);
        if (*at == '[') {
            section(std::string_view(at + 1, length - 2));
        } else {
            const auto* equals = static_cast<const char*>(std::memchr(at, '=', length));
            field(std::string_view(at, static_cast<std::size_t>(equals - at)),
                  std::string_view(equals + 1, static_cast<std::size_t>(newline - equals - 1)));
        }
        at = newline + 1;
    }
}

} // namespace Liedwerk::ParseVSQs
