// The package's way back: a VSQ file from the parts of a trillo.Sequence that
// trillo/_write.py has checked and turned into bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <pybind11/pybind11.h>

namespace TrilloPy {

// The VSQ file as bytes, from the division, the tempo map as tuples
// (0, tick, microseconds per quarter note, 0) or (1, tick, numerator,
// denominator), and each voice's text as bytes.  When the writer finds a
// problem: a tuple (kind, index, offset, description), kind the name of the
// writer's Problem::Kind ("MalformedField") and description its describe().
pybind11::object write(std::int32_t division, const pybind11::list& tempoMap, const pybind11::list& voices);

// The writer's description of a problem kind named as write names it.
std::string describe(const std::string& kind);

// Trillo::DumpFormat::microsecondsPerQuarter.
std::optional<std::uint32_t> microsecondsPerQuarter(double bpm);

} // namespace TrilloPy
