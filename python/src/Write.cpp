#include "Write.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include <liedwerk/WriteVSQ.h>
#include <trillo/DumpFormat.h>

#include "Sinks.h"

namespace py = pybind11;

namespace TrilloPy {

namespace {

using Liedwerk::WriteVSQs::Content;
using Liedwerk::WriteVSQs::Problem;
using Liedwerk::WriteVSQs::TempoEvent;

TempoEvent tempoEvent(const py::handle entry) {
    const auto fields = py::reinterpret_borrow<py::tuple>(entry);
    if (fields.size() != 4) throw py::value_error("a tempo map entry is (kind, tick, first, second)");
    const auto tick = fields[1].cast<std::uint32_t>();
    const auto first = fields[2].cast<std::uint32_t>();
    if (fields[0].cast<int>() == TempoEvent::Tempo) return TempoEvent::tempo(tick, first);
    return TempoEvent::timeSignature(tick, first, fields[3].cast<std::uint32_t>());
}

} // namespace

py::object write(std::int32_t division, const py::list& tempoMap, const py::list& voices) {
    Content content;
    content.division = division;
    content.tempoMap.reserve(tempoMap.size());
    for (const py::handle entry : tempoMap) content.tempoMap.push_back(tempoEvent(entry));
    // The views stay valid: the list holds the bytes objects, which never change.
    content.voices.reserve(voices.size());
    for (const py::handle voice : voices) {
        if (!PyBytes_Check(voice.ptr())) throw py::type_error("a voice's text must be bytes");
        content.voices.emplace_back(PyBytes_AS_STRING(voice.ptr()),
                                    static_cast<std::size_t>(PyBytes_GET_SIZE(voice.ptr())));
    }
    const Liedwerk::WriteVSQ writer(content);
    const Problem& problem = writer.problem();
    if (problem.kind != Problem::None)
        return py::make_tuple(Liedwerk::WriteVSQs::nameOf(problem.kind), problem.index, problem.offset,
                              Liedwerk::WriteVSQs::describe(problem.kind));
    BytesSink sink(static_cast<std::size_t>(writer.size()));
    {
        py::gil_scoped_release unlocked;
        writer.write(sink);
    }
    return sink.take();
}

std::string describe(const std::string& kind) {
    for (int each = Problem::None + 1; each <= Problem::TempoMapTooLong; ++each)
        if (kind == Liedwerk::WriteVSQs::nameOf(static_cast<Problem::Kind>(each)))
            return Liedwerk::WriteVSQs::describe(static_cast<Problem::Kind>(each));
    throw py::value_error("no such problem kind: " + kind);
}

std::optional<std::uint32_t> microsecondsPerQuarter(double bpm) {
    return Trillo::DumpFormat::microsecondsPerQuarter(bpm);
}

} // namespace TrilloPy
