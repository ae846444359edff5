#include "Sinks.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>

#include <sys/mman.h>
#include <unistd.h>

#include <orbt/Exceptions.h>

namespace py = pybind11;

namespace TrilloPy {

namespace {

constexpr std::size_t kInitialCapacity = 64 * 1024;

// A large result is asked to be backed by huge pages where the system offers
// them (transparent huge pages on request): a dump of 100 MB otherwise costs
// some 25000 page faults as it is first written, more than the copy itself.
// Only advice: without huge pages nothing changes.
constexpr std::size_t kHugePage = 2 * 1024 * 1024;
constexpr std::size_t kHugePagesFrom = 8 * 1024 * 1024;

void adviseHugePages(char* bytes, std::size_t size) {
#if defined(MADV_HUGEPAGE)
    if (size < kHugePagesFrom) return;
    const auto start = reinterpret_cast<std::uintptr_t>(bytes);
    const std::uintptr_t first = (start + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t end = (start + size) / kHugePage * kHugePage;
    if (first < end) static_cast<void>(madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE));
#else
    static_cast<void>(bytes);
    static_cast<void>(size);
#endif
}

py::object newBytes(std::size_t size) {
    PyObject* bytes = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size));
    if (bytes == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::object>(bytes);
}

// Resizes a bytes object that nobody else holds; a failure frees it.
bool resize(py::object& bytes, std::size_t size) {
    PyObject* object = bytes.release().ptr();
    if (_PyBytes_Resize(&object, static_cast<Py_ssize_t>(size)) != 0) {
        bytes = py::none();
        return false;
    }
    bytes = py::reinterpret_steal<py::object>(object);
    return true;
}

} // namespace

BytesSink::BytesSink(std::size_t capacity)
    : result_(newBytes(capacity > kInitialCapacity ? capacity : kInitialCapacity)) {
    adviseHugePages(PyBytes_AS_STRING(result_.ptr()), static_cast<std::size_t>(PyBytes_GET_SIZE(result_.ptr())));
}

void BytesSink::grow(std::size_t needed) {
    py::gil_scoped_acquire locked;
    if (result_.is_none()) throw std::bad_alloc();
    auto capacity = static_cast<std::size_t>(PyBytes_GET_SIZE(result_.ptr()));
    while (capacity < needed) capacity *= 2;
    if (!resize(result_, capacity)) {
        PyErr_Clear();
        used_ = 0;
        throw std::bad_alloc();
    }
    adviseHugePages(PyBytes_AS_STRING(result_.ptr()), capacity);
}

void BytesSink::write(const char* bytes, std::size_t count) {
    if (result_.is_none() || count > static_cast<std::size_t>(PyBytes_GET_SIZE(result_.ptr())) - used_)
        grow(used_ + count);
    std::memcpy(PyBytes_AS_STRING(result_.ptr()) + used_, bytes, count);
    used_ += count;
}

py::bytes BytesSink::take() {
    if (result_.is_none()) return py::bytes();
    if (!resize(result_, used_)) throw py::error_already_set();
    return py::reinterpret_steal<py::bytes>(result_.release());
}

void DescriptorSink::write(const char* bytes, std::size_t count) {
    while (count != 0) {
        const ssize_t written = ::write(descriptor_, bytes, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw OrbT::Ex::CannotWriteFile();
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
}

} // namespace TrilloPy
