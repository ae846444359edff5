// Small helpers for the C API's objects, shared by the extension's files.
#pragma once

#include <string>

#include <pybind11/pybind11.h>

namespace TrilloPy {

// Takes a new reference from the C API; null means a Python error is set.
inline pybind11::object owned(PyObject* object) {
    if (object == nullptr) throw pybind11::error_already_set();
    return pybind11::reinterpret_steal<pybind11::object>(object);
}

// The name of an object's type, for a TypeError.
inline std::string typeName(pybind11::handle object) {
    return pybind11::str(pybind11::type::handle_of(object).attr("__name__"));
}

} // namespace TrilloPy
