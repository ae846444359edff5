// How trillo.read turns a text's bytes into the object it gives: bytes as
// they are, or str decoded with a codec that is found once for the whole read.
#pragma once

#include <string_view>

#include <pybind11/pybind11.h>

namespace TrilloPy {

class Decoder {
public:
    // encoding null: bytes.  Otherwise the codec is looked up once
    // (codecs.lookup, LookupError for an unknown one); UTF-8, ASCII and
    // Latin-1, under any of their names, are decoded by the C API directly,
    // any other codec through its decode function.
    explicit Decoder(const char* encoding);

    // A new reference; throws pybind11::error_already_set (UnicodeDecodeError,
    // say) when the bytes do not decode.
    PyObject* operator()(std::string_view bytes) const;

private:
    enum class Kind { Bytes, Utf8, Ascii, Latin1, Codec };

    PyObject* throughCodec(std::string_view bytes) const;

    Kind kind_ = Kind::Bytes;
    pybind11::object decode_; // the codec's decode(bytes, errors), for Kind::Codec
    std::string codecName_;   // for the TypeError of a decoder that gives no str
};

} // namespace TrilloPy
