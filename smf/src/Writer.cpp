#include <orbsmf/Writer.h>

#include <cstring>
#include <stdexcept>

#include "Format.h"

namespace OrbSMF {

namespace Writing {

std::uint32_t varNumberSize(std::uint32_t value) {
    if (value > kMaxVarNumber) throw std::invalid_argument("a variable-length number holds 28 bits");
    std::uint32_t size = 1;
    for (value >>= 7; value != 0; value >>= 7) ++size;
    return size;
}

std::uint32_t putVarNumber(std::uint8_t* out, std::uint32_t value) {
    const std::uint32_t size = varNumberSize(value);
    for (std::uint32_t i = size; i-- > 0; value >>= 7)
        out[i] =
            static_cast<std::uint8_t>((value & Format::kVarNumberBits) | (i + 1 == size ? 0 : Format::kVarNumberMore));
    return size;
}

std::uint32_t metaEventSize(std::uint32_t delta, std::uint32_t dataSize) { return varNumberSize(delta) + 3 + dataSize; }

} // namespace Writing

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

// Where the writer stands in the file.
enum class Place {
    BeforeHeader,  // nothing written yet
    BetweenTracks, // after the header or a track chunk
    InTrack,       // a track chunk is open
};

void putBE32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 3; i >= 0; --i, value >>= 8) out[i] = static_cast<std::uint8_t>(value);
}

void putBE16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value >> 8);
    out[1] = static_cast<std::uint8_t>(value);
}

} // namespace

struct Writer::Impl_ {
    explicit Impl_(OrbT::ByteSink& target) : sink(target), buffer(new std::uint8_t[kBufferSize]) {}

    // Room for count more bytes at the end of the buffer (count <= kBufferSize).
    std::uint8_t* room(std::size_t count) {
        if (count > kBufferSize - used) flush();
        return buffer.get() + used;
    }

    void flush() {
        const std::size_t count = used;
        used = 0; // a failed write loses these bytes, never repeats them
        if (count != 0) sink.write(reinterpret_cast<const char*>(buffer.get()), count);
    }

    void expect(Place wanted, const char* what) const {
        if (place != wanted) throw std::logic_error(what);
    }

    OrbT::ByteSink& sink;
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t used = 0;
    Place place = Place::BeforeHeader;
    std::uint32_t trackLeft = 0; // bytes of the open track chunk not yet written
};

Writer::Writer(OrbT::ByteSink& sink) : impl_(std::make_unique<Impl_>(sink)) {}

Writer::~Writer() = default;

void Writer::header(std::uint16_t format, std::uint16_t tracks, std::uint16_t division) {
    impl_->expect(Place::BeforeHeader, "OrbSMF::Writer: the header comes once, first");
    std::uint8_t* out = impl_->room(Writing::kHeaderChunkSize);
    putBE32(out, Format::kHeaderMagic);
    putBE32(out + 4, Format::kHeaderDataSize);
    putBE16(out + 8, format);
    putBE16(out + 10, tracks);
    putBE16(out + 12, division);
    impl_->used += Writing::kHeaderChunkSize;
    impl_->place = Place::BetweenTracks;
}

void Writer::beginTrack(std::uint32_t length) {
    impl_->expect(Place::BetweenTracks, "OrbSMF::Writer: a track chunk begins after the header or a track chunk");
    std::uint8_t* out = impl_->room(Writing::kChunkHeaderSize);
    putBE32(out, Format::kTrackMagic);
    putBE32(out + 4, length);
    impl_->used += Writing::kChunkHeaderSize;
    impl_->place = Place::InTrack;
    impl_->trackLeft = length;
}

void Writer::metaEvent(std::uint32_t delta, std::uint8_t type, std::string_view data) {
    metaEvent(delta, type, data, std::string_view());
}

void Writer::metaEvent(std::uint32_t delta, std::uint8_t type, std::string_view head, std::string_view tail) {
    impl_->expect(Place::InTrack, "OrbSMF::Writer: an event outside a track chunk");
    if (head.size() + tail.size() > Writing::kMaxMetaData)
        throw std::invalid_argument("OrbSMF::Writer: a meta event holds at most 127 data bytes");
    const auto dataSize = static_cast<std::uint32_t>(head.size() + tail.size());
    const std::uint32_t size = Writing::metaEventSize(delta, dataSize);
    if (size > impl_->trackLeft) throw std::logic_error("OrbSMF::Writer: events beyond the track chunk's length");
    std::uint8_t* out = impl_->room(size);
    out += Writing::putVarNumber(out, delta);
    *out++ = Format::kMeta;
    *out++ = type;
    *out++ = static_cast<std::uint8_t>(dataSize);
    if (!head.empty()) std::memcpy(out, head.data(), head.size());
    if (!tail.empty()) std::memcpy(out + head.size(), tail.data(), tail.size());
    impl_->used += size;
    impl_->trackLeft -= size;
}

void Writer::endTrack() {
    impl_->expect(Place::InTrack, "OrbSMF::Writer: no track chunk is open");
    if (impl_->trackLeft != 0) throw std::logic_error("OrbSMF::Writer: events short of the track chunk's length");
    impl_->place = Place::BetweenTracks;
}

void Writer::flush() { impl_->flush(); }

} // namespace OrbSMF
