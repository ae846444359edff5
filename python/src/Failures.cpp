#include "Failures.h"

#include <new>
#include <string>

#include <liedwerk/Exceptions.h>
#include <orbsmf/Exceptions.h>
#include <trillo/Errors.h>

#include "Feed.h"

namespace py = pybind11;

namespace TrilloPy {

namespace {

constexpr char kTrailingBytes[] = "There are needless trailing bytes.";

// The message of the exception being handled, as the tool's error line has it.
std::string currentMessage() {
    try {
        throw;
    } catch (const TrailingBytes&) {
        return kTrailingBytes;
    } catch (...) {
        std::string message = Trillo::currentErrorMessage();
        if (!message.empty() && message.back() == '\n') message.pop_back();
        return message;
    }
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
    try {
        throw;
    } catch (const OrbSMF::Ex::UnexpectedFileEnd&) {
        return "UnexpectedFileEnd";
    } catch (const OrbSMF::Ex::IllegalMagic&) {
        return "IllegalMagic";
    } catch (const OrbSMF::Ex::TooShortHeader&) {
        return "TooShortHeader";
    } catch (const OrbSMF::Ex::ChunkOverrun&) {
        return "ChunkOverrun";
    } catch (const OrbSMF::Ex::IllegalRunningStatus&) {
        return "IllegalRunningStatus";
    } catch (const OrbSMF::Ex::IllegalSystemMessage&) {
        return "IllegalSystemMessage";
    } catch (const OrbSMF::Ex::TooLongVarInteger&) {
        return "TooLongVarInteger";
    } catch (const Liedwerk::Ex::IllegalSMFFormat&) {
        return "IllegalSMFFormat";
    } catch (const Liedwerk::Ex::TooFewTracks&) {
        return "TooFewTracks";
    } catch (const Liedwerk::Ex::DivisionNotSupported&) {
        return "DivisionNotSupported";
    } catch (const Liedwerk::Ex::LackedDMFrame&) {
        return "LackedDMFrame";
    } catch (const Liedwerk::Ex::DuplicatedDMFrame&) {
        return "DuplicatedDMFrame";
    } catch (const Liedwerk::Ex::MalformedSectionName&) {
        return "MalformedSectionName";
    } catch (const Liedwerk::Ex::SectionIdentifierLacked&) {
        return "SectionIdentifierLacked";
    } catch (const Liedwerk::Ex::MalformedField&) {
        return "MalformedField";
    } catch (const Trillo::Ex::NoText&) {
        return "NoText";
    } catch (const TrailingBytes&) {
        return "TrailingBytes";
    } catch (const OrbT::Ex::CannotOpenFile&) {
        return "CannotOpenFile";
    } catch (const OrbT::Ex::CannotReadFile&) {
        return "CannotReadFile";
    } catch (const OrbT::Ex::CannotWriteFile&) {
        return "CannotWriteFile";
    } catch (const std::bad_alloc&) {
        return "OutOfMemory";
    } catch (...) {
        return "Error";
    }
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
