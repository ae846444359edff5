#include "Builder.h"

#include "Objects.h"

#include <cstdint>
#include <utility>

namespace py = pybind11;

namespace TrilloPy {

namespace {

py::object call(const py::object& type, std::initializer_list<PyObject*> args) {
    return owned(PyObject_Vectorcall(type.ptr(), const_cast<PyObject* const*>(args.begin()), args.size(), nullptr));
}

void append(const py::object& list, const py::object& item) {
    if (PyList_Append(list.ptr(), item.ptr()) != 0) throw py::error_already_set();
}

} // namespace

void PendingItems::push(py::object item) {
    items_.push_back(item.ptr()); // may throw: item still holds the reference
    item.release();
}

py::list PendingItems::take() {
    auto list = py::reinterpret_steal<py::list>(PyList_New(static_cast<Py_ssize_t>(items_.size())));
    if (!list) throw py::error_already_set();
    for (std::size_t i = 0; i < items_.size(); ++i) PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), items_[i]);
    items_.clear();
    return list;
}

void PendingItems::clear() {
    for (PyObject* item : items_) Py_DECREF(item);
    items_.clear();
}

SequenceBuilder::SequenceBuilder(const char* encoding) : decoder_(encoding), texts_(decoder_) {
    const py::module_ model = py::module_::import("trillo._model");
    tempoType_ = model.attr("Tempo");
    timeSignatureType_ = model.attr("TimeSignature");
    sectionType_ = model.attr("Section");
    trackType_ = model.attr("Track");
    sequenceType_ = model.attr("Sequence");
    nameAttribute_ = py::str("name");
    fieldsAttribute_ = py::str("fields");
    noArguments_ = py::tuple();
}

py::object SequenceBuilder::finish() {
    endTrack();
    const py::int_ voices(voices_);
    const py::int_ division(division_);
    return call(sequenceType_, {voices.ptr(), division.ptr(), tempoMap_.ptr(), tracks_.ptr()});
}

// A Section made as pickle remakes one: the class's __new__, then its
// fields set as attributes.  Section.__init__ does no more than that, and
// calling it through the class costs more than the rest of the section.
py::object SequenceBuilder::newSection(py::object name, py::list fields) const {
    auto* const type = reinterpret_cast<PyTypeObject*>(sectionType_.ptr());
    const py::object section = owned(type->tp_new(type, noArguments_.ptr(), nullptr));
    if (PyObject_SetAttr(section.ptr(), nameAttribute_.ptr(), name.ptr()) != 0 ||
        PyObject_SetAttr(section.ptr(), fieldsAttribute_.ptr(), fields.ptr()) != 0)
        throw py::error_already_set();
    return section;
}

void SequenceBuilder::onHeader(std::int32_t voices, std::int32_t division) {
    voices_ = voices;
    division_ = division;
}

void SequenceBuilder::onTempo(std::uint32_t tick, double tempo) {
    append(tempoMap_, call(tempoType_, {py::int_(tick).ptr(), py::float_(tempo).ptr()}));
}

void SequenceBuilder::onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) {
    append(tempoMap_,
           call(timeSignatureType_, {py::int_(tick).ptr(), py::int_(numerator).ptr(), py::int_(denominator).ptr()}));
}

void SequenceBuilder::onBeginTrack(std::int32_t) {
    sectionRule_.beginTrack();
    trackOpen_ = true;
}

void SequenceBuilder::onEndTrack(std::int32_t) {
    endTrack();
    sectionRule_.endTrack();
}

void SequenceBuilder::endSection() {
    if (!sectionName_) return;
    sections_.push(newSection(std::move(sectionName_), fields_.take()));
    sectionName_ = py::object();
}

void SequenceBuilder::endTrack() {
    endSection();
    if (!trackOpen_) return;
    trackOpen_ = false;
    const py::list sections = sections_.take();
    append(tracks_, call(trackType_, {sections.ptr()}));
}

void SequenceBuilder::addSection(std::string_view name) {
    sectionRule_.section();
    py::object nameObject = py::reinterpret_steal<py::object>(texts_.get(name));
    endSection();
    sectionName_ = std::move(nameObject);
}

// The pair's tuple holds only texts: it is left out of the cyclic garbage
// collector's walks, as the collector itself would do at its first look.
void SequenceBuilder::addField(std::string_view key, std::string_view value) {
    py::object keyObject = py::reinterpret_steal<py::object>(texts_.get(key));
    py::object valueObject = py::reinterpret_steal<py::object>(texts_.get(value));
    py::object pair = owned(PyTuple_New(2));
    PyTuple_SET_ITEM(pair.ptr(), 0, keyObject.release().ptr());
    PyTuple_SET_ITEM(pair.ptr(), 1, valueObject.release().ptr());
    PyObject_GC_UnTrack(pair.ptr());
    fields_.push(std::move(pair));
}

void SequenceBuilder::onBeginSection(std::int32_t, std::string_view name) { addSection(name); }

void SequenceBuilder::onField(std::int32_t, std::string_view, std::string_view key, std::string_view value) {
    addField(key, value);
}

void SequenceBuilder::onLines(std::int32_t, std::string_view, std::string_view lines) {
    Liedwerk::ParseVSQs::eachLine(
        lines, [this](std::string_view name) { addSection(name); },
        [this](std::string_view key, std::string_view value) { addField(key, value); });
}

} // namespace TrilloPy
