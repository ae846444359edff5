#include "Decoder.h"

#include <string>

#include "Objects.h"

namespace py = pybind11;

namespace TrilloPy {

Decoder::Decoder(const char* encoding) {
    if (encoding == nullptr) return;
    const py::object info = py::module_::import("codecs").attr("lookup")(encoding);
    codecName_ = py::str(info.attr("name"));
    if (codecName_ == "utf-8") {
        kind_ = Kind::Utf8;
    } else if (codecName_ == "ascii") {
        kind_ = Kind::Ascii;
    } else if (codecName_ == "iso8859-1") {
        kind_ = Kind::Latin1;
    } else {
        kind_ = Kind::Codec;
        decode_ = info.attr("decode");
    }
}

PyObject* Decoder::operator()(std::string_view bytes) const {
    const char* const data = bytes.data();
    const auto size = static_cast<Py_ssize_t>(bytes.size());
    PyObject* result = nullptr;
    switch (kind_) {
    case Kind::Bytes:
        result = PyBytes_FromStringAndSize(data, size);
        break;
    case Kind::Utf8:
        result = PyUnicode_DecodeUTF8(data, size, "strict");
        break;
    case Kind::Ascii:
        result = PyUnicode_DecodeASCII(data, size, "strict");
        break;
    case Kind::Latin1:
        result = PyUnicode_DecodeLatin1(data, size, "strict");
        break;
    case Kind::Codec:
        return throughCodec(bytes);
    }
    if (result == nullptr) throw py::error_already_set();
    return result;
}

// decode(bytes, "strict") gives (str, bytes consumed), as str(bytes, encoding)
// takes it; anything else is the TypeError that str() raises.
PyObject* Decoder::throughCodec(std::string_view bytes) const {
    const py::object input = owned(PyBytes_FromStringAndSize(bytes.data(), static_cast<Py_ssize_t>(bytes.size())));
    const py::object result = decode_(input, "strict");
    if (!PyTuple_Check(result.ptr()) || PyTuple_GET_SIZE(result.ptr()) != 2)
        throw py::type_error("decoder must return a tuple (object, integer)");
    PyObject* const text = PyTuple_GET_ITEM(result.ptr(), 0);
    if (!PyUnicode_Check(text))
        throw py::type_error("'" + codecName_ + "' decoder returned '" + typeName(text) +
                             "' instead of 'str'; use codecs.decode() to decode to arbitrary types");
    Py_INCREF(text);
    return text;
}

} // namespace TrilloPy
