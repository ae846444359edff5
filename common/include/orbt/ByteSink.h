// ByteSink: where a writer's bytes go.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include <orbt/Exceptions.h>

namespace OrbT {

// Takes blocks of bytes from a writer that owns its own buffer.  write takes
// all count bytes or throws; the writers hand it large blocks, so a sink needs
// no buffer of its own.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(const char* bytes, std::size_t count) = 0;
};

// Writes to a stream that it does not own.  A short write throws
// Ex::CannotWriteFile at once.
class FileSink final : public ByteSink {
public:
    explicit FileSink(std::FILE* stream) : stream_(stream) {}
    void write(const char* bytes, std::size_t count) override {
        if (count != 0 && std::fwrite(bytes, 1, count, stream_) != count) throw Ex::CannotWriteFile();
    }

private:
    std::FILE* stream_;
};

// Appends to a string in memory.
class StringSink final : public ByteSink {
public:
    void write(const char* bytes, std::size_t count) override { text.append(bytes, count); }

    std::string text;
};

} // namespace OrbT
