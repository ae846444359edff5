// FileSource: the input file, read in 1024-byte blocks into one buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include <orbt/ByteRange.h>

namespace Trillo {

class FileSource {
public:
    static constexpr std::uint32_t kBlockSize = 1024;
    static constexpr std::size_t kStreamBufferSize = 64 * 1024;

    // Opens path (on Windows, UTF-8) in binary mode; throws
    // OrbT::Ex::CannotOpenFile.
    explicit FileSource(const char* path);
    // Reads what standard input holds, from where it stands, through a
    // stream of its own (standard input's stream is left unused); throws
    // OrbT::Ex::CannotOpenFile when standard input is closed.
    static FileSource standardInput();

    ~FileSource(); // closes the stream
    FileSource(FileSource&&) noexcept;
    FileSource& operator=(FileSource&&) = delete;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // When range is empty, reads the next block into it: up to 1024 bytes (a
    // short read is not the end; the next fill reads again).  At end of file
    // range stays empty.  Throws OrbT::Ex::CannotReadFile when a read yields
    // nothing and the stream reports an error.  Does nothing while range still
    // holds bytes.
    void fill();

    OrbT::ByteRange range; // the unread bytes of the current block

private:
    class Impl_; // the stream, the block buffer and the stream's buffer, one allocation
    explicit FileSource(std::unique_ptr<Impl_> impl);
    std::unique_ptr<Impl_> impl_;
};

} // namespace Trillo
