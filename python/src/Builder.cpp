#include "Builder.h"

#include <cstring>
#include <functional>

#include <trillo/Errors.h>

namespace py = pybind11;

namespace TrilloPy {

namespace {

// Takes a new reference from the C API; null means a Python error is set.
py::object owned(PyObject* object) {
    if (object == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(object);
}

py::object call(const py::object& type, std::initializer_list<PyObject*> args) {
    return owned(PyObject_Vectorcall(type.ptr(), const_cast<PyObject* const*>(args.begin()), args.size(), nullptr));
}

void append(const py::object& list, const py::object& item) {
    if (PyList_Append(list.ptr(), item.ptr()) != 0) throw py::error_already_set();
}

} // namespace

SequenceBuilder::SequenceBuilder(const char* encoding) : encoding_(encoding), slots_(kSlots) {
    const py::module_ model = py::module_::import("trillo._model");
    tempoType_ = model.attr("Tempo");
    timeSignatureType_ = model.attr("TimeSignature");
    sectionType_ = model.attr("Section");
    trackType_ = model.attr("Track");
    sequenceType_ = model.attr("Sequence");
}

py::object SequenceBuilder::sequence() const {
    const py::int_ voices(voices_);
    const py::int_ division(division_);
    return call(sequenceType_, {voices.ptr(), division.ptr(), tempoMap_.ptr(), tracks_.ptr()});
}

py::object SequenceBuilder::make(std::string_view bytes) const {
    const auto length = static_cast<Py_ssize_t>(bytes.size());
    return owned(encoding_ == nullptr ? PyBytes_FromStringAndSize(bytes.data(), length)
                                      : PyUnicode_Decode(bytes.data(), length, encoding_, "strict"));
}

PyObject* SequenceBuilder::text(std::string_view bytes) {
    const std::size_t hash = std::hash<std::string_view>()(bytes);
    Slot& slot = slots_[hash % kSlots];
    if (slot.hash != hash || !slot.object || slot.bytes != bytes) {
        slot.object = make(bytes);
        slot.bytes.assign(bytes);
        slot.hash = hash;
    }
    return py::object(slot.object).release().ptr();
}

void SequenceBuilder::onHeader(std::int32_t voices, std::int32_t division) {
    voices_ = voices;
    division_ = division;
}

void SequenceBuilder::onTempo(std::uint32_t tick, double tempo) {
    append(tempoMap_, call(tempoType_, {py::int_(tick).ptr(), py::float_(tempo).ptr()}));
}

void SequenceBuilder::onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) {
    append(tempoMap_, call(timeSignatureType_, {py::int_(tick).ptr(), py::int_(numerator).ptr(),
                                                py::int_(denominator).ptr()}));
}

void SequenceBuilder::onBeginTrack(std::int32_t) {
    sections_ = py::list();
    fields_ = py::object();
    append(tracks_, call(trackType_, {sections_.ptr()}));
}

void SequenceBuilder::onEndTrack(std::int32_t) {
    if (PyList_GET_SIZE(sections_.ptr()) == 0) throw Trillo::Ex::NoText();
}

void SequenceBuilder::addSection(std::string_view name) {
    const py::object nameObject = py::reinterpret_steal<py::object>(text(name));
    fields_ = py::list();
    append(sections_, call(sectionType_, {nameObject.ptr(), fields_.ptr()}));
}

void SequenceBuilder::addField(std::string_view key, std::string_view value) {
    const py::object keyObject = py::reinterpret_steal<py::object>(text(key));
    const py::object valueObject = py::reinterpret_steal<py::object>(text(value));
    append(fields_, owned(PyTuple_Pack(2, keyObject.ptr(), valueObject.ptr())));
}

void SequenceBuilder::onBeginSection(std::int32_t, std::string_view name) { addSection(name); }

void SequenceBuilder::onField(std::int32_t, std::string_view, std::string_view key, std::string_view value) {
    addField(key, value);
}

// The lines are checked: a section line is "[name]", a field line has an "="
// after its first byte, and every line ends in "\n".
void SequenceBuilder::onLines(std::int32_t, std::string_view, std::string_view lines) {
    const char* at = lines.data();
    const char* const end = at + lines.size();
    while (at != end) {
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        const auto length = static_cast<std::size_t>(newline - at);
        if (*at == '[') {
            addSection(std::string_view(at + 1, length - 2));
        } else {
            const auto* equals = static_cast<const char*>(std::memchr(at, '=', length));
            addField(std::string_view(at, static_cast<std::size_t>(equals - at)),
                     std::string_view(equals + 1, static_cast<std::size_t>(newline - equals - 1)));
        }
        at = newline + 1;
    }
}

} // namespace TrilloPy
