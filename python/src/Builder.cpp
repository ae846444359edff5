#include "Builder.h"

#include "Objects.h"

#include <cstdint>
#include <cstring>

namespace py = pybind11;

namespace TrilloPy {

namespace {

py::object call(const py::object& type, std::initializer_list<PyObject*> args) {
    return owned(PyObject_Vectorcall(type.ptr(), const_cast<PyObject* const*>(args.begin()), args.size(), nullptr));
}

// Up to eight bytes as a number, read whole: no partial stores to read back.
std::uint64_t load(const char* bytes, std::size_t count) {
    if (count >= 8) {
        std::uint64_t value;
        std::memcpy(&value, bytes, 8);
        return value;
    }
    if (count >= 4) {
        std::uint32_t head;
        std::uint32_t tail;
        std::memcpy(&head, bytes, 4);
        std::memcpy(&tail, bytes + count - 4, 4);
        return head | std::uint64_t{tail} << 32;
    }
    if (count == 0) return 0;
    const auto byte = [bytes](std::size_t at) { return std::uint64_t{static_cast<unsigned char>(bytes[at])}; };
    return byte(0) | byte(count / 2) << 8 | byte(count - 1) << 16;
}

// A hash of a short text from its length and its first and last eight bytes
// (or fewer): cheap, and enough to tell most keys apart.
std::size_t shortHash(std::string_view bytes) {
    const std::size_t size = bytes.size();
    const std::uint64_t head = load(bytes.data(), size);
    const std::uint64_t tail = size > 8 ? load(bytes.data() + size - 8, 8) : 0;
    const std::uint64_t mixed = (head ^ (tail * 0x9E3779B97F4A7C15u) ^ size) * 0xBF58476D1CE4E5B9u;
    return static_cast<std::size_t>(mixed >> 32);
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
    if (bytes.size() > kShortText) return make(bytes).release().ptr();
    Slot& slot = slots_[shortHash(bytes) % kSlots];
    if (!slot.object || slot.length != bytes.size() || std::memcmp(slot.bytes, bytes.data(), bytes.size()) != 0) {
        slot.object = make(bytes);
        slot.length = bytes.size();
        std::memcpy(slot.bytes, bytes.data(), bytes.size());
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
    append(tempoMap_,
           call(timeSignatureType_, {py::int_(tick).ptr(), py::int_(numerator).ptr(), py::int_(denominator).ptr()}));
}

void SequenceBuilder::onBeginTrack(std::int32_t) {
    sectionRule_.beginTrack();
    sections_ = py::list();
    fields_ = py::object();
    append(tracks_, call(trackType_, {sections_.ptr()}));
}

void SequenceBuilder::onEndTrack(std::int32_t) { sectionRule_.endTrack(); }

void SequenceBuilder::addSection(std::string_view name) {
    sectionRule_.section();
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

void SequenceBuilder::onLines(std::int32_t, std::string_view, std::string_view lines) {
    Liedwerk::ParseVSQs::eachLine(
        lines, [this](std::string_view name) { addSection(name); },
        [this](std::string_view key, std::string_view value) { addField(key, value); });
}

} // namespace TrilloPy
