#include <trillo/FileSource.h>

#include <cstdio>

#include <orbt/Exceptions.h>
#include <trillo/Platform.h>

namespace Trillo {

class FileSource::Impl_ {
public:
    // Takes the open stream, which the destructor closes.
    explicit Impl_(std::FILE* opened) : stream(opened) {
        std::setvbuf(stream, streamBuffer, _IOFBF, sizeof streamBuffer);
    }
    ~Impl_() { std::fclose(stream); }
    Impl_(const Impl_&) = delete;
    Impl_& operator=(const Impl_&) = delete;

    std::FILE* stream;
    std::uint8_t buffer[kBlockSize];
    // The stream's own buffer: it fetches many blocks per read from the
    // system, where the library's default would fetch four.
    char streamBuffer[kStreamBufferSize];
};

namespace {

std::FILE* openedOrThrow(std::FILE* stream) {
    if (stream == nullptr) throw OrbT::Ex::CannotOpenFile();
    return stream;
}

// Hands the stream to a new Impl_, or closes it when there is no memory.
template <class Impl>
std::unique_ptr<Impl> adopt(std::FILE* stream) {
    try {
        return std::make_unique<Impl>(stream);
    } catch (...) {
        std::fclose(stream);
        throw;
    }
}

} // namespace

FileSource::FileSource(std::unique_ptr<Impl_> impl) : impl_(std::move(impl)) {}

FileSource::FileSource(const char* path) : FileSource(adopt<Impl_>(openedOrThrow(Platform::openFile(path, "rb")))) {}

FileSource FileSource::standardInput() {
    return FileSource(adopt<Impl_>(openedOrThrow(Platform::openStandardInput())));
}

FileSource::~FileSource() = default;

FileSource::FileSource(FileSource&&) noexcept = default;

void FileSource::fill() {
    if (!range.empty()) return;
    const std::size_t n = std::fread(impl_->buffer, 1, kBlockSize, impl_->stream);
    if (n != 0) {
        range.cursor = impl_->buffer;
        range.count = static_cast<std::uint32_t>(n);
        return;
    }
    if (std::ferror(impl_->stream)) throw OrbT::Ex::CannotReadFile();
}

} // namespace Trillo
