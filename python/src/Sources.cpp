#include "Sources.h"

#include "Objects.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <orbt/Exceptions.h>

namespace py = pybind11;

namespace TrilloPy {

PathSource::PathSource(const std::string& path)
    : buffers_(std::make_unique<Buffers>()), stream_(std::fopen(path.c_str(), "rb")) {
    if (!stream_) throw OrbT::Ex::CannotOpenFile();
    std::setvbuf(stream_.get(), buffers_->stream, _IOFBF, kStreamBufferSize);
}

void PathSource::fill() {
    if (!range.empty()) return;
    const std::size_t count = std::fread(buffers_->block, 1, kBlockSize, stream_.get());
    if (count == 0 && std::ferror(stream_.get())) throw OrbT::Ex::CannotReadFile();
    range = {buffers_->block, static_cast<std::uint32_t>(count)};
}

BufferSource::BufferSource(py::handle object) {
    if (PyObject_GetBuffer(object.ptr(), &view_, PyBUF_SIMPLE) != 0) {
        if (!PyErr_ExceptionMatches(PyExc_TypeError)) throw py::error_already_set();
        PyErr_Clear();
        throw py::type_error("source must be a path (str or os.PathLike), a bytes-like object or a binary "
                             "file object, not " +
                             typeName(object));
    }
}

BufferSource::~BufferSource() { PyBuffer_Release(&view_); }

void BufferSource::fill() {
    if (!range.empty()) return;
    constexpr std::size_t kLargestRange = std::numeric_limits<std::uint32_t>::max();
    const std::size_t count = std::min(static_cast<std::size_t>(view_.len) - next_, kLargestRange);
    range.cursor = static_cast<const std::uint8_t*>(view_.buf) + next_;
    range.count = static_cast<std::uint32_t>(count);
    next_ += count;
}

FileObjectSource::FileObjectSource(py::handle file) : read_(file.attr("read")) {}

void FileObjectSource::fill() {
    if (!range.empty()) return;
    py::gil_scoped_acquire locked;
    const py::object data = read_(kBlockSize);
    Py_buffer view;
    if (PyObject_GetBuffer(data.ptr(), &view, PyBUF_SIMPLE) != 0) {
        PyErr_Clear();
        // Raised as a Python error, which a failed read passes through as it is.
        PyErr_SetString(PyExc_TypeError, ("read() of the file object must return bytes (is it opened in binary "
                                          "mode?), not " +
                                          typeName(data))
                                             .c_str());
        throw py::error_already_set();
    }
    block_.assign(static_cast<const std::uint8_t*>(view.buf), static_cast<const std::uint8_t*>(view.buf) + view.len);
    PyBuffer_Release(&view);
    range.cursor = block_.data();
    range.count = static_cast<std::uint32_t>(block_.size());
}

} // namespace TrilloPy
