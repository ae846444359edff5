// SequenceBuilder: the package's Python objects (trillo/_model.py), made as
// the reader's events arrive.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include <pybind11/pybind11.h>

#include <liedwerk/ViewHooks.h>
#include <trillo/ReadLoop.h>

namespace TrilloPy {

// Builds a trillo.Sequence.  Every call needs the GIL: the reader that feeds
// it runs with the GIL held.  Names, keys and values are bytes, or str
// decoded with encoding when it is not null; a decoding error is raised
// (py::error_already_set) from the event that brought the text.  Like the
// dump writer, it keeps Trillo::SectionRule: Trillo::Ex::NoText for a voice
// track without any section.  After a failure, sequence() gives what was built before it.
class SequenceBuilder final : public Liedwerk::ParseVSQs::ViewHooks {
public:
    explicit SequenceBuilder(const char* encoding);

    // The Sequence so far: voices and division 0 before the header, the open
    // track and section as far as they went.
    pybind11::object sequence() const;

    void onHeader(std::int32_t voices, std::int32_t division) override;
    void onEndFile() override {}
    void onBeginTempoMap() override {}
    void onEndTempoMap() override {}
    void onTempo(std::uint32_t tick, double tempo) override;
    void onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) override;
    void onBeginTrack(std::int32_t track) override;
    void onEndTrack(std::int32_t track) override;
    void onBeginSection(std::int32_t track, std::string_view name) override;
    void onEndSection(std::int32_t, std::string_view) override {}
    void onField(std::int32_t track, std::string_view section, std::string_view key, std::string_view value) override;
    void onLines(std::int32_t track, std::string_view section, std::string_view lines) override;

private:
    // Short names, keys and values repeat a lot (keys above all): the last
    // text seen in each of a fixed number of slots is given again rather than
    // made anew, which saves making it and the memory of a copy.  Direct-mapped
    // and small, so that a text that never repeats costs little, and the object
    // a slot lets go of is a recent one.  Longer texts are always made anew.
    static constexpr std::size_t kSlots = 512;
    static constexpr std::size_t kShortText = 24;
    struct Slot {
        std::size_t length = 0;
        char bytes[kShortText];
        pybind11::object object; // none while the slot is empty
    };

    PyObject* text(std::string_view bytes); // a new reference
    pybind11::object make(std::string_view bytes) const;
    void addSection(std::string_view name);
    void addField(std::string_view key, std::string_view value);

    const char* encoding_;
    pybind11::object tempoType_, timeSignatureType_, sectionType_, trackType_, sequenceType_;
    std::int32_t voices_ = 0;
    std::int32_t division_ = 0;
    pybind11::list tempoMap_;
    pybind11::list tracks_;
    pybind11::object sections_; // the current track's list
    pybind11::object fields_;   // the open section's list
    std::vector<Slot> slots_;
    Trillo::SectionRule sectionRule_;
};

} // namespace TrilloPy
