#include "Failures.h"

#include <string>

#include <trillo/Errors.h>

namespace py = pybind11;

namespace TrilloPy {

namespace {

// The message of the exception being handled, as the tool's error line has it.
std::string currentMessage() {
    std::string message = Trillo::currentErrorMessage();
    if (!message.empty() && message.back() == '\n') message.pop_back();
    return message;
}

[[noreturn]] void raise(const char* kind, const std::string& message, const py::object& partial,
                        const py::object& cause) {
    const py::object type = py::module_::import("trillo._errors").attr(kind);
    const py::object error = type(message);
    error.attr("partial") = partial;
    if (!cause.is_none()) error.attr("__cause__") = cause;
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

} // namespace

const char* currentKind() noexcept {
    const char* const kind = Trillo::describeCurrentError().kind;
    return kind == nullptr ? "Error" : kind;
}

void raiseFailure(const std::exception_ptr& failure, const py::object& partial) {
    try {
        std::rethrow_exception(failure);
    } catch (py::error_already_set& error) {
        if (!error.matches(PyExc_OSError)) throw;
        const py::object cause = error.value();
        try {
            throw OrbT::Ex::CannotReadFile(); // the tool's failure to read, with the tool's message
        } catch (...) {
            raise(currentKind(), currentMessage(), partial, cause);
        }
    } catch (...) {
        raise(currentKind(), currentMessage(), partial, py::none());
    }
}

} // namespace TrilloPy
