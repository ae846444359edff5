// Failures of a read or a dump, raised as the package's exceptions
// (trillo/_errors.py): one class per exception kind of the libraries.
#pragma once

#include <exception>

#include <pybind11/pybind11.h>

namespace TrilloPy {

// The name of the Python class for the exception being handled (inside a
// catch block): the library's class name ("UnexpectedFileEnd"),
// "TrailingBytes", "OutOfMemory" for std::bad_alloc, "Error" for the rest.
const char* currentKind() noexcept;

// Raises the failure in Python, with the GIL held: an exception of the kind's
// class whose str() is the tool's message without "Error: " and the newline,
// and whose partial attribute is partial.  An OSError that a file object's
// read raised becomes CannotReadFile with it as __cause__; any other Python
// exception passes through as it is.
[[noreturn]] void raiseFailure(const std::exception_ptr& failure, const pybind11::object& partial);

} // namespace TrilloPy
