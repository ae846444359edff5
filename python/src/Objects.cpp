#include "Objects.h"

#include <functional>
#include <string_view>
#include <vector>

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

// Names, keys and values repeat a lot (keys above all): the last text seen
// in each of a fixed number of slots is given again rather than made anew,
// which saves making it and the memory of a copy.  Direct-mapped, so a run
// of texts that never repeat costs a hash each and holds only the slots.
class TextCache {
public:
    // The object for bytes, made by make (a new reference) on a miss; returns
    // a new reference.
    template <class Make>
    PyObject* get(std::string_view bytes, Make&& make) {
        Slot& slot = slots_[std::hash<std::string_view>()(bytes) % kSlots];
        if (!slot.object || slot.bytes != bytes) {
            slot.object = owned(make());
            slot.bytes = bytes;
        }
        return py::object(slot.object).release().ptr();
    }

private:
    static constexpr std::size_t kSlots = 4096;
    struct Slot {
        std::string_view bytes; // in the Collected's text, which outlives the cache
        py::object object;
    };
    std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
};

class Builder {
public:
    Builder(const Collected& collected, const char* encoding)
        : in_(collected), encoding_(encoding), model_(py::module_::import("trillo._model")) {}

    py::object sequence() const;

private:
    PyObject* text(const Span& span) const; // a new reference
    py::object tempoMap() const;
    py::object tracks() const;
    py::object section(std::size_t index) const;

    const Collected& in_;
    const char* encoding_;
    py::module_ model_;
    mutable TextCache cache_;
};

PyObject* Builder::text(const Span& span) const {
    const std::string_view bytes(in_.text.data() + span.offset, span.length);
    return cache_.get(bytes, [&bytes, this] {
        const auto length = static_cast<Py_ssize_t>(bytes.size());
        return encoding_ == nullptr ? PyBytes_FromStringAndSize(bytes.data(), length)
                                    : PyUnicode_Decode(bytes.data(), length, encoding_, "strict");
    });
}

py::object Builder::tempoMap() const {
    const py::object tempo = model_.attr("Tempo");
    const py::object timeSignature = model_.attr("TimeSignature");
    py::list events(in_.tempoMap.size());
    for (std::size_t i = 0; i < in_.tempoMap.size(); ++i) {
        const TempoMapEvent& event = in_.tempoMap[i];
        const py::int_ tick(event.tick);
        events[i] = event.isTempo ? call(tempo, {tick.ptr(), py::float_(event.bpm).ptr()})
                                  : call(timeSignature, {tick.ptr(), py::int_(event.numerator).ptr(),
                                                         py::int_(event.denominator).ptr()});
    }
    return std::move(events);
}

py::object Builder::section(std::size_t index) const {
    const std::size_t first = in_.sections[index].firstField;
    const std::size_t end = index + 1 < in_.sections.size() ? in_.sections[index + 1].firstField : in_.fields.size();
    const py::object fields = owned(PyList_New(static_cast<Py_ssize_t>(end - first)));
    for (std::size_t i = first; i < end; ++i) {
        const py::object key = owned(text(in_.fields[i].first));
        const py::object value = owned(text(in_.fields[i].second));
        PyObject* field = owned(PyTuple_Pack(2, key.ptr(), value.ptr())).release().ptr();
        PyList_SET_ITEM(fields.ptr(), static_cast<Py_ssize_t>(i - first), field);
    }
    const py::object name = owned(text(in_.sections[index].name));
    return call(model_.attr("Section"), {name.ptr(), fields.ptr()});
}

py::object Builder::tracks() const {
    const py::object track = model_.attr("Track");
    const std::size_t count = in_.trackStarts.size();
    const py::object result = owned(PyList_New(static_cast<Py_ssize_t>(count)));
    for (std::size_t t = 0; t < count; ++t) {
        const std::size_t first = in_.trackStarts[t];
        const std::size_t end = t + 1 < count ? in_.trackStarts[t + 1] : in_.sections.size();
        const py::object sections = owned(PyList_New(static_cast<Py_ssize_t>(end - first)));
        for (std::size_t s = first; s < end; ++s)
            PyList_SET_ITEM(sections.ptr(), static_cast<Py_ssize_t>(s - first), section(s).release().ptr());
        PyList_SET_ITEM(result.ptr(), static_cast<Py_ssize_t>(t), call(track, {sections.ptr()}).release().ptr());
    }
    return result;
}

py::object Builder::sequence() const {
    const py::int_ voices(in_.voices);
    const py::int_ division(in_.division);
    const py::object events = tempoMap();
    const py::object voiceTracks = tracks();
    return call(model_.attr("Sequence"), {voices.ptr(), division.ptr(), events.ptr(), voiceTracks.ptr()});
}

// Keeps the cyclic garbage collector off while the objects are made: they
// hold no cycles, and a collection every few hundred new lists and tuples
// would walk the growing sequence again and again.
class CollectorPause {
public:
    CollectorPause() : wasEnabled_(PyGC_Disable() != 0) {}
    ~CollectorPause() {
        if (wasEnabled_) PyGC_Enable();
    }
    CollectorPause(const CollectorPause&) = delete;
    CollectorPause& operator=(const CollectorPause&) = delete;

private:
    bool wasEnabled_;
};

} // namespace

py::object makeSequence(const Collected& collected, const char* encoding) {
    const CollectorPause pause;
    return Builder(collected, encoding).sequence();
}

} // namespace TrilloPy
