#include "Texts.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <liedwerk/WriteVSQ.h>

#include "Objects.h"

namespace py = pybind11;

namespace TrilloPy {

namespace {

using Liedwerk::WriteVSQs::Part;
using Liedwerk::WriteVSQs::PartFault;

std::string_view view(const py::bytes& bytes) {
    return std::string_view(PyBytes_AS_STRING(bytes.ptr()), static_cast<std::size_t>(PyBytes_GET_SIZE(bytes.ptr())));
}

// A name, key or value as bytes: bytes as they are, str encoded, a bytearray
// copied.  where() names it for a TypeError.
template <class Where>
py::bytes bytesOf(py::handle text, const char* encoding, const Where& where) {
    if (PyBytes_Check(text.ptr())) return py::reinterpret_borrow<py::bytes>(text);
    if (PyUnicode_Check(text.ptr())) return owned(PyUnicode_AsEncodedString(text.ptr(), encoding, "strict"));
    if (PyByteArray_Check(text.ptr()))
        return owned(PyBytes_FromStringAndSize(PyByteArray_AS_STRING(text.ptr()), PyByteArray_GET_SIZE(text.ptr())));
    throw py::type_error(where() + " must be bytes or str, not " + typeName(text));
}

// "key, value = field", with the interpreter's errors.
std::pair<py::object, py::object> unpack(py::handle field) {
    if (PyTuple_CheckExact(field.ptr()) && PyTuple_GET_SIZE(field.ptr()) == 2)
        return {py::reinterpret_borrow<py::object>(PyTuple_GET_ITEM(field.ptr(), 0)),
                py::reinterpret_borrow<py::object>(PyTuple_GET_ITEM(field.ptr(), 1))};
    PyObject* const iterator = PyObject_GetIter(field.ptr());
    if (iterator == nullptr) {
        PyErr_Clear();
        throw py::type_error("cannot unpack non-iterable " + typeName(field) + " object");
    }
    const py::object items = owned(iterator);
    std::vector<py::object> got;
    while (got.size() < 3) {
        PyObject* const item = PyIter_Next(items.ptr());
        if (item == nullptr) break;
        got.push_back(owned(item));
    }
    if (PyErr_Occurred()) throw py::error_already_set();
    if (got.size() > 2) throw py::value_error("too many values to unpack (expected 2)");
    if (got.size() < 2)
        throw py::value_error("not enough values to unpack (expected 2, got " + std::to_string(got.size()) + ")");
    return {got[0], got[1]};
}

const char* const kPartNames[] = {"section name", "key", "value"}; // by Part

// The fault of a part as trillo.write reports it: (where, kind, message).
py::tuple report(const std::string& where, Part part, PartFault fault) {
    const std::string what = kPartNames[static_cast<int>(part)];
    switch (fault) {
    case PartFault::Delimiter:
        if (part == Part::SectionName)
            return py::make_tuple(where, "MalformedSection", "a section name must not contain \"]\"");
        return py::make_tuple(where, "MalformedField", "a key must not contain \"=\"");
    case PartFault::Bracket:
        return py::make_tuple(where, "MalformedField", "a key must not begin with \"[\"");
    case PartFault::Newline:
        return py::make_tuple(where, "NewlineInText", "a " + what + " must not contain \"\\n\"");
    case PartFault::ZeroByte:
        return py::make_tuple(where, "ZeroByte", "a " + what + " must not contain a 0 byte");
    case PartFault::Empty:
        return py::make_tuple(where, part == Part::SectionName ? "MalformedSection" : "MalformedField",
                              "a " + what + " must not be empty");
    case PartFault::None:
        break;
    }
    return py::tuple();
}

// One section's parts as bytes, in order.
struct SectionParts {
    std::string where; // "tracks[t].sections[s]"
    py::bytes name;
    std::vector<std::pair<py::bytes, py::bytes>> fields;
};

// The section's name and fields as bytes.  A name that holds "]" is
// reported before its fields are looked at; a key that holds "=" or begins
// with "[", once all the section's fields are bytes.
py::object sectionParts(py::handle section, const char* encoding, SectionParts& parts) {
    parts.name = bytesOf(section.attr("name"), encoding, [&] { return parts.where + ".name"; });
    if (Liedwerk::WriteVSQs::checkPart(Part::SectionName, view(parts.name)) == PartFault::Delimiter)
        return report(parts.where + ".name", Part::SectionName, PartFault::Delimiter);
    for (const py::handle field : section.attr("fields")) {
        const auto [key, value] = unpack(field);
        const auto where = [&](const char* part) {
            return parts.where + ".fields[" + std::to_string(parts.fields.size()) + "] " + part;
        };
        py::bytes keyBytes = bytesOf(key, encoding, [&] { return where("key"); }); // the key first
        parts.fields.emplace_back(std::move(keyBytes), bytesOf(value, encoding, [&] { return where("value"); }));
    }
    for (std::size_t f = 0; f < parts.fields.size(); ++f) {
        const PartFault fault = Liedwerk::WriteVSQs::checkPart(Part::Key, view(parts.fields[f].first));
        if (fault == PartFault::Delimiter || fault == PartFault::Bracket)
            return report(parts.where + ".fields[" + std::to_string(f) + "]", Part::Key, fault);
    }
    return py::none();
}

// The track's sections as bytes; a fault as report gives it, or None.
py::object trackParts(py::handle track, std::size_t number, const char* encoding, std::vector<SectionParts>& parts) {
    const py::object trackType = py::module_::import("trillo._model").attr("Track");
    if (PyObject_IsInstance(track.ptr(), trackType.ptr()) != 1) {
        if (PyErr_Occurred()) throw py::error_already_set();
        throw py::type_error("tracks[" + std::to_string(number) + "] must be a Track, not " + typeName(track));
    }
    std::size_t index = 0;
    for (const py::handle section : track.attr("sections")) {
        parts.emplace_back();
        parts.back().where = "tracks[" + std::to_string(number) + "].sections[" + std::to_string(index++) + "]";
        py::object fault = sectionParts(section, encoding, parts.back());
        if (!fault.is_none()) return fault;
    }
    return py::none();
}

// The first part that its line cannot carry, in file order, or None.
py::object firstFault(const std::vector<SectionParts>& parts) {
    for (const SectionParts& section : parts) {
        const PartFault name = Liedwerk::WriteVSQs::checkPart(Part::SectionName, view(section.name));
        if (name != PartFault::None) return report(section.where + ".name", Part::SectionName, name);
        for (std::size_t f = 0; f < section.fields.size(); ++f) {
            const std::string where = section.where + ".fields[" + std::to_string(f) + "]";
            const PartFault key = Liedwerk::WriteVSQs::checkPart(Part::Key, view(section.fields[f].first));
            if (key != PartFault::None) return report(where, Part::Key, key);
            const PartFault value = Liedwerk::WriteVSQs::checkPart(Part::Value, view(section.fields[f].second));
            if (value != PartFault::None) return report(where, Part::Value, value);
        }
    }
    return py::none();
}

// The track's text: its section and field lines.
std::string textOf(const std::vector<SectionParts>& parts, std::size_t& lines) {
    std::string text;
    for (const SectionParts& section : parts) {
        Liedwerk::WriteVSQs::appendSectionLine(text, view(section.name));
        for (const auto& [key, value] : section.fields)
            Liedwerk::WriteVSQs::appendFieldLine(text, view(key), view(value));
        lines += 1 + section.fields.size();
    }
    return text;
}

} // namespace

py::object voiceTexts(const py::list& tracks, const char* encoding) {
    py::list texts;
    for (std::size_t number = 0; number < tracks.size(); ++number) {
        std::vector<SectionParts> parts;
        py::object fault = trackParts(tracks[number], number, encoding, parts);
        if (!fault.is_none()) return fault;
        std::size_t lines = 0;
        const std::string text = textOf(parts, lines);
        // A newline inside a part shows as a line too many.
        if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) != lines) {
            fault = firstFault(parts);
            if (!fault.is_none()) return fault;
        }
        texts.append(py::bytes(text));
    }
    return std::move(texts);
}

py::object locate(const py::list& tracks, std::size_t number, const char* encoding) {
    std::vector<SectionParts> parts;
    py::object fault = trackParts(tracks[number], number, encoding, parts);
    return fault.is_none() ? firstFault(parts) : fault;
}

} // namespace TrilloPy
