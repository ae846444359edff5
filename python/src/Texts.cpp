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

// Any bytes-like object as bytes: bytes as they are, others copied.
py::bytes bytesOfBuffer(py::handle text) {
    if (PyBytes_Check(text.ptr())) return py::reinterpret_borrow<py::bytes>(text);
    return owned(PyBytes_FromObject(text.ptr()));
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

// What the package gives: trillo.Track, and "key, value = field" done by
// Python itself, with its own errors.
struct Given {
    py::handle trackType;
    py::handle pair;
};

// "key, value = field": a 2-tuple taken apart here, anything else by Python.
std::pair<py::object, py::object> keyAndValue(py::handle field, const Given& given) {
    if (PyTuple_CheckExact(field.ptr()) && PyTuple_GET_SIZE(field.ptr()) == 2)
        return {py::reinterpret_borrow<py::object>(PyTuple_GET_ITEM(field.ptr(), 0)),
                py::reinterpret_borrow<py::object>(PyTuple_GET_ITEM(field.ptr(), 1))};
    const auto pair = given.pair(field).cast<py::tuple>();
    return {pair[0], pair[1]};
}

// The fields as "key + b'=' + value" takes them: when every key is bytes or
// a bytearray and every value bytes-like, as they are; false when one is not
// (or the fields cannot be gone through), and a Python TypeError would stop
// that expression.
bool plainFields(const py::object& fields, const Given& given, SectionParts& parts) {
    try {
        for (const py::handle field : fields) {
            const auto [key, value] = keyAndValue(field, given);
            if (!(PyBytes_Check(key.ptr()) || PyByteArray_Check(key.ptr())) || !PyObject_CheckBuffer(value.ptr()))
                return false;
            parts.fields.emplace_back(bytesOfBuffer(key), bytesOfBuffer(value));
        }
        return true;
    } catch (py::error_already_set& error) {
        if (!error.matches(PyExc_TypeError)) throw;
        return false;
    }
}

// The section's name and fields as bytes.  A name that holds "]" is
// reported before its fields are looked at; a key that holds "=" or begins
// with "[", once all the section's fields are bytes.  Fields that are not
// plain (above) are taken one by one: bytes, str or a bytearray.
py::object sectionParts(py::handle section, const char* encoding, const Given& given, SectionParts& parts) {
    parts.name = bytesOf(section.attr("name"), encoding, [&] { return parts.where + ".name"; });
    if (Liedwerk::WriteVSQs::checkPart(Part::SectionName, view(parts.name)) == PartFault::Delimiter)
        return report(parts.where + ".name", Part::SectionName, PartFault::Delimiter);
    const py::object fields = section.attr("fields");
    if (!plainFields(fields, given, parts)) {
        parts.fields.clear();
        for (const py::handle field : fields) {
            const auto [key, value] = keyAndValue(field, given);
            const auto where = [&](const char* part) {
                return parts.where + ".fields[" + std::to_string(parts.fields.size()) + "] " + part;
            };
            py::bytes keyBytes = bytesOf(key, encoding, [&] { return where("key"); }); // the key first
            parts.fields.emplace_back(std::move(keyBytes), bytesOf(value, encoding, [&] { return where("value"); }));
        }
    }
    for (std::size_t f = 0; f < parts.fields.size(); ++f) {
        const PartFault fault = Liedwerk::WriteVSQs::checkPart(Part::Key, view(parts.fields[f].first));
        if (fault == PartFault::Delimiter || fault == PartFault::Bracket)
            return report(parts.where + ".fields[" + std::to_string(f) + "]", Part::Key, fault);
    }
    return py::none();
}

// The track's sections as bytes; a fault as report gives it, or None.
py::object trackParts(py::handle track, std::size_t number, const char* encoding, const Given& given,
                      std::vector<SectionParts>& parts) {
    if (PyObject_IsInstance(track.ptr(), given.trackType.ptr()) != 1) {
        if (PyErr_Occurred()) throw py::error_already_set();
        throw py::type_error("tracks[" + std::to_string(number) + "] must be a Track, not " + typeName(track));
    }
    std::size_t index = 0;
    for (const py::handle section : track.attr("sections")) {
        parts.emplace_back();
        parts.back().where = "tracks[" + std::to_string(number) + "].sections[" + std::to_string(index++) + "]";
        py::object fault = sectionParts(section, encoding, given, parts.back());
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

py::object voiceTexts(const py::list& tracks, const char* encoding, py::handle trackType, py::handle pair) {
    const Given given{trackType, pair};
    py::list texts;
    for (std::size_t number = 0; number < tracks.size(); ++number) {
        std::vector<SectionParts> parts;
        py::object fault = trackParts(tracks[number], number, encoding, given, parts);
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

py::object locate(const py::list& tracks, std::size_t number, const char* encoding, py::handle trackType,
                  py::handle pair) {
    std::vector<SectionParts> parts;
    py::object fault = trackParts(tracks[number], number, encoding, Given{trackType, pair}, parts);
    return fault.is_none() ? firstFault(parts) : fault;
}

} // namespace TrilloPy
