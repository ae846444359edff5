// Python objects as sources of 1024-byte blocks, in the shape of
// Trillo::FileSource (a public range and fill()), for readAll in Feed.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <pybind11/pybind11.h>

#include <orbt/ByteRange.h>

namespace TrilloPy {

// The block size of the tool's file source: the reader makes the same calls
// whatever the cuts, and the same cuts keep that beyond doubt.
constexpr std::size_t kBlockSize = 1024;

// A bytes-like object (anything with the buffer protocol, C-contiguous),
// handed over in 1024-byte ranges of its own memory.  The object stays
// exported, so a bytearray cannot be resized meanwhile.  Create and destroy it
// with the GIL held; fill needs no GIL.
class BufferSource {
public:
    explicit BufferSource(pybind11::handle object); // TypeError without the buffer protocol
    ~BufferSource();
    BufferSource(const BufferSource&) = delete;
    BufferSource& operator=(const BufferSource&) = delete;

    void fill();
    std::size_t size() const { return static_cast<std::size_t>(view_.len); }

    OrbT::ByteRange range;

private:
    Py_buffer view_;
    std::size_t next_ = 0; // the offset of the next block
};

// A binary file object, read with read(1024) until it returns no bytes; a
// short read is not the end.  fill takes the GIL for the call (when it is not
// held already).  Whatever read raises passes out of fill; read must return a
// bytes-like object (TypeError otherwise: a text file, a non-blocking stream
// without data).  Create and destroy it with the GIL held.
class FileObjectSource {
public:
    explicit FileObjectSource(pybind11::handle file);

    void fill();

    OrbT::ByteRange range;

private:
    pybind11::object read_;
    std::vector<std::uint8_t> block_;
};

} // namespace TrilloPy
