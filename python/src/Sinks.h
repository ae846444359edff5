// Where the package's dump goes: a bytes object, or a file descriptor.
#pragma once

#include <cstddef>

#include <pybind11/pybind11.h>

#include <orbt/ByteSink.h>

namespace TrilloPy {

// Gathers the dump in a bytes object of its own, copying each block once,
// from the writer's buffer into the result.  It starts with the capacity
// given (memory that is never written costs no more than an address range)
// and grows by doubling beyond it, with the GIL taken for that moment only;
// the C library's realloc remaps large blocks rather than copying them.  Running out of memory throws std::bad_alloc and
// loses what was written.  Create it, destroy it and call take with the GIL
// held; write needs no GIL.
class BytesSink final : public OrbT::ByteSink {
public:
    explicit BytesSink(std::size_t capacity);
    void write(const char* bytes, std::size_t count) override;
    pybind11::bytes take(); // what was written; call it once, then write no more

private:
    void grow(std::size_t needed);

    pybind11::object result_; // a bytes object whose size is the capacity, or None when lost
    std::size_t used_ = 0;
};

// Writes to a file descriptor that it does not own, as the tool's output
// would: every byte or Ex::CannotWriteFile.  Needs no GIL.
class DescriptorSink final : public OrbT::ByteSink {
public:
    explicit DescriptorSink(int descriptor) : descriptor_(descriptor) {}
    void write(const char* bytes, std::size_t count) override;

private:
    int descriptor_;
};

} // namespace TrilloPy
