#include <trillo/FileSource.h>

#include <orbt/Exceptions.h>

namespace Trillo {

struct FileSource::Block {
    std::FILE* stream = nullptr;
    std::uint8_t buffer[kBlockSize];
    // The stream's own buffer: it fetches many blocks per read from the
    // system, where the library's default would fetch four.
    char streamBuffer[kStreamBufferSize];
};

FileSource::FileSource(const char* path) : block_(new Block) {
    block_->stream = std::fopen(path, "rb");
    if (block_->stream == nullptr) {
        delete block_;
        throw OrbT::Ex::CannotOpenFile();
    }
    std::setvbuf(block_->stream, block_->streamBuffer, _IOFBF, sizeof block_->streamBuffer);
}

FileSource::~FileSource() {
    std::fclose(block_->stream);
    delete block_;
}

void FileSource::fill() {
    if (!range.empty()) return;
    const std::size_t n = std::fread(block_->buffer, 1, kBlockSize, block_->stream);
    if (n != 0) {
        range.cursor = block_->buffer;
        range.count = static_cast<std::uint32_t>(n);
        return;
    }
    if (std::ferror(block_->stream)) throw OrbT::Ex::CannotReadFile();
}

} // namespace Trillo
