#include "SmfWriter.h"

#include <cstdio>
#include <stdexcept>

#include <orbsmf/Writer.h>

namespace Fixture {

namespace {

void appendBE(Bytes& out, std::uint32_t value, int size) {
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

void append(Bytes& out, std::string_view more) { out.insert(out.end(), more.begin(), more.end()); }

} // namespace

Bytes varNumber(std::uint32_t value) {
    std::uint8_t out[4];
    return Bytes(out, out + OrbSMF::Writing::putVarNumber(out, value));
}

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

std::string textOf(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) append(out, part);
    return out;
}

Track& Track::channel(std::uint32_t delta, std::uint8_t status, std::uint8_t data1) {
    append(data_, varNumber(delta));
    data_.insert(data_.end(), {status, data1});
    return *this;
}

Track& Track::channel(std::uint32_t delta, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    append(data_, varNumber(delta));
    data_.insert(data_.end(), {status, data1, data2});
    return *this;
}

Track& Track::running(std::uint32_t delta, std::uint8_t data1) {
    append(data_, varNumber(delta));
    data_.push_back(data1);
    return *this;
}

Track& Track::running(std::uint32_t delta, std::uint8_t data1, std::uint8_t data2) {
    append(data_, varNumber(delta));
    data_.insert(data_.end(), {data1, data2});
    return *this;
}

Track& Track::meta(std::uint32_t delta, std::uint8_t type, std::string_view data) {
    if (data.size() > 255) throw std::invalid_argument("a meta event holds at most 255 bytes");
    return meta(delta, type, data, static_cast<std::uint8_t>(data.size()));
}

Track& Track::meta(std::uint32_t delta, std::uint8_t type, std::string_view data, std::uint8_t lengthByte) {
    append(data_, varNumber(delta));
    data_.insert(data_.end(), {0xFF, type, lengthByte});
    append(data_, data);
    return *this;
}

Track& Track::tempo(std::uint32_t delta, std::uint32_t microsecondsPerQuarter) {
    const char data[] = {static_cast<char>(microsecondsPerQuarter >> 16),
                         static_cast<char>(microsecondsPerQuarter >> 8), static_cast<char>(microsecondsPerQuarter)};
    return meta(delta, 0x51, std::string_view(data, 3));
}

Track& Track::timeSignature(std::uint32_t delta, std::uint8_t numerator, std::uint8_t denominatorPower,
                            std::uint8_t clocks, std::uint8_t thirtySeconds) {
    const char data[] = {static_cast<char>(numerator), static_cast<char>(denominatorPower), static_cast<char>(clocks),
                         static_cast<char>(thirtySeconds)};
    return meta(delta, 0x58, std::string_view(data, 4));
}

Track& Track::sysex(std::uint32_t delta, std::string_view data) {
    append(data_, varNumber(delta));
    data_.push_back(0xF0);
    append(data_, varNumber(static_cast<std::uint32_t>(data.size())));
    append(data_, data);
    return *this;
}

Track& Track::sysexEscape(std::uint32_t delta, std::string_view data) {
    append(data_, varNumber(delta));
    data_.push_back(0xF7);
    append(data_, varNumber(static_cast<std::uint32_t>(data.size())));
    append(data_, data);
    return *this;
}

Track& Track::raw(const Bytes& bytes) {
    append(data_, bytes);
    return *this;
}

Track& Track::declaredLength(std::uint32_t length) {
    length_ = length;
    return *this;
}

Track& Track::magic(std::string_view fourBytes) {
    magic_ = std::string(fourBytes);
    return *this;
}

Bytes Track::chunk() const {
    Bytes out = bytesOf(magic_);
    appendBE(out, length_.value_or(static_cast<std::uint32_t>(data_.size())), 4);
    append(out, data_);
    return out;
}

Bytes headerChunk(const Header& header, std::uint16_t trackCount) {
    Bytes out = bytesOf(header.magic);
    appendBE(out, header.length.value_or(static_cast<std::uint32_t>(6 + header.extra.size())), 4);
    appendBE(out, header.format, 2);
    appendBE(out, header.tracks.value_or(trackCount), 2);
    appendBE(out, header.division, 2);
    append(out, header.extra);
    return out;
}

Bytes smf(const Header& header, const std::vector<Track>& tracks) {
    Bytes out = headerChunk(header, static_cast<std::uint16_t>(tracks.size()));
    for (const Track& track : tracks) append(out, track.chunk());
    return out;
}

std::vector<std::string> dmFrames(std::string_view text, std::size_t payloadSize) {
    std::vector<std::string> frames;
    for (std::size_t at = 0, number = 0; at < text.size(); at += payloadSize, ++number) {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "DM:%04zu:", number);
        frames.push_back(prefix + std::string(text.substr(at, payloadSize)));
    }
    return frames;
}

Track dmTrack(std::string_view text, std::size_t payloadSize, const std::vector<std::size_t>& order) {
    const std::vector<std::string> frames = dmFrames(text, payloadSize);
    Track track;
    if (order.empty()) {
        for (const std::string& frame : frames) track.text(0, frame);
    } else {
        for (std::size_t number : order) track.text(0, frames.at(number));
    }
    return track.endOfTrack();
}

Bytes vsqFile(const std::vector<std::string>& voiceTexts, std::uint16_t division, std::size_t payloadSize) {
    std::vector<Track> tracks;
    tracks.push_back(Track().tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack());
    for (const std::string& text : voiceTexts) tracks.push_back(dmTrack(text, payloadSize));
    Header header;
    header.division = division;
    return smf(header, tracks);
}

Bytes workedExample() {
    return vsqFile({"[Alpha]\nName=first voice\nLevel=64\n", "[Alpha]\nName=second voice\nLevel=70\n"});
}

const char* const kWorkedExampleDump = R"([Master]
NumVoices=2
Division=480
[TempoMap]
0=Tempo:120.00
0=Time:4/4:24:8

[Track01]
[Alpha]
Name=first voice
Level=64

[Track02]
[Alpha]
Name=second voice
Level=70
)";

} // namespace Fixture
