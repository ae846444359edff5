// The package's Python objects (trillo/_model.py) made from a Collected.
#pragma once

#include <pybind11/pybind11.h>

#include "Collector.h"

namespace TrilloPy {

// A trillo.Sequence holding everything collected.  Names, keys and values
// are bytes, or str decoded with encoding when it is not null (a decoding
// error raises UnicodeDecodeError).  Needs the GIL.
pybind11::object makeSequence(const Collected& collected, const char* encoding);

} // namespace TrilloPy
