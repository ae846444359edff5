// The package's sources of a VSQ file, each in the shape that
// Trillo::readAll takes (a public range and fill()): a file named by a path,
// a binary file object, a bytes-like object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <pybind11/pybind11.h>

#include <orbt/ByteRange.h>

namespace TrilloPy {

// How much a file or a file object is asked for at a time: the tool's
// block, so that a read that fails part way leaves what the tool would have
// dumped before it.
constexpr std::size_t kBlockSize = 1024;
constexpr std::size_t kStreamBufferSize = 64 * 1024;

// The file at path (bytes as the system takes them), read in blocks; the
// tool's failures: OrbT::Ex::CannotOpenFile, OrbT::Ex::CannotReadFile (a
// folder, say).  Needs no GIL.
class PathSource {
public:
    explicit PathSource(const std::string& path);
    void fill();

    OrbT::ByteRange range;

private:
    struct Close {
        void operator()(std::FILE* stream) const { std::fclose(stream); }
    };
    // The block, and the stream's own buffer (the C library's default would
    // fetch a few blocks per read from the system), side by side; they
    // outlive the stream.
    struct Buffers {
        std::uint8_t block[kBlockSize];
        char stream[kStreamBufferSize];
    };
    std::unique_ptr<Buffers> buffers_;
    std::unique_ptr<std::FILE, Close> stream_;
};

// A bytes-like object (anything with the buffer protocol, C-contiguous),
// handed over whole, where it lies.  The object stays exported, so a
// bytearray cannot be resized meanwhile.  Create and destroy it with the GIL
// held; fill needs no GIL.
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
    std::size_t next_ = 0; // the offset of the next range
};

// A binary file object, read with read(kBlockSize) until it returns no
// bytes; a short read is not the end.  fill takes the GIL for the call (when
// it is not held already).  Whatever read raises passes out of fill; read
// must return a bytes-like object (TypeError otherwise: a text file, a
// non-blocking stream without data).  Create and destroy it with the GIL held.
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
