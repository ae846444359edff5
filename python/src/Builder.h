// SequenceBuilder: the package's Python objects (trillo/_model.py), made as
// the reader's events arrive.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include <pybind11/pybind11.h>

#include <liedwerk/ViewHooks.h>
#include <trillo/ReadLoop.h>

#include "Decoder.h"
#include "TextTable.h"

namespace TrilloPy {

// New references gathered for a list that is made once they are all there,
// at its final size.  Needs the GIL, also to be destroyed.
class PendingItems {
public:
    PendingItems() = default;
    ~PendingItems() { clear(); }
    PendingItems(const PendingItems&) = delete;
    PendingItems& operator=(const PendingItems&) = delete;

    void push(pybind11::object item);
    pybind11::list take(); // the items as a list, in order; none are left
    void clear();

private:
    std::vector<PyObject*> items_;
};

// Builds a trillo.Sequence.  Every call needs the GIL: the reader that feeds
// it runs with the GIL held.  Names, keys and values are bytes, or str
// decoded with encoding when it is not null; a decoding error is raised
// (py::error_already_set) from the event that brought the text.  Like the
// dump writer, it keeps Trillo::SectionRule: Trillo::Ex::NoText for a voice
// track without any section.
//
// A section's fields and a track's sections are gathered until the section
// or the track ends and then put in a list of their number; finish() ends
// what is open, so that after a failure it gives what was built before it.
class SequenceBuilder final : public Liedwerk::ParseVSQs::ViewHooks {
public:
    explicit SequenceBuilder(const char* encoding);

    // The Sequence: voices and division 0 before the header, the open track
    // and section as far as they went.  Call it once.
    pybind11::object finish();

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
    void addSection(std::string_view name);
    void addField(std::string_view key, std::string_view value);
    void endSection();
    void endTrack();
    pybind11::object newSection(pybind11::object name, pybind11::list fields) const;

    Decoder decoder_;
    TextTable texts_;
    pybind11::object tempoType_, timeSignatureType_, sectionType_, trackType_, sequenceType_;
    pybind11::object nameAttribute_, fieldsAttribute_, noArguments_;
    std::int32_t voices_ = 0;
    std::int32_t division_ = 0;
    pybind11::list tempoMap_;
    pybind11::list tracks_;
    bool trackOpen_ = false;
    PendingItems sections_;        // the open track's
    pybind11::object sectionName_; // the open section's, or null
    PendingItems fields_;          // the open section's
    Trillo::SectionRule sectionRule_;
};

} // namespace TrilloPy
