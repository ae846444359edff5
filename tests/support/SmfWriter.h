// A small writer of SMF and VSQ bytes from a readable description, for tests,
// examples and benchmarks.  It writes what it is told, also when that is
// wrong on purpose (lengths, magics, raw bytes).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Fixture {

using Bytes = std::vector<std::uint8_t>;

Bytes varNumber(std::uint32_t value); // OrbSMF::Writing::putVarNumber's bytes
Bytes bytesOf(std::string_view text);
std::string textOf(const Bytes& bytes);
Bytes concat(std::initializer_list<Bytes> parts);

// One track chunk, event by event.
class Track {
public:
    // A channel message with its status byte.
    Track& channel(std::uint32_t delta, std::uint8_t status, std::uint8_t data1);
    Track& channel(std::uint32_t delta, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // A channel message whose status is implied (running status).
    Track& running(std::uint32_t delta, std::uint8_t data1);
    Track& running(std::uint32_t delta, std::uint8_t data1, std::uint8_t data2);
    Track& note(std::uint32_t delta, std::uint8_t key, std::uint8_t velocity = 64) {
        return channel(delta, 0x90, key, velocity);
    }

    // A meta event; its length byte is data.size() unless given.
    Track& meta(std::uint32_t delta, std::uint8_t type, std::string_view data);
    Track& meta(std::uint32_t delta, std::uint8_t type, std::string_view data, std::uint8_t lengthByte);
    Track& text(std::uint32_t delta, std::string_view text) { return meta(delta, 0x01, text); }
    Track& tempo(std::uint32_t delta, std::uint32_t microsecondsPerQuarter);
    Track& timeSignature(std::uint32_t delta, std::uint8_t numerator, std::uint8_t denominatorPower,
                         std::uint8_t clocks = 24, std::uint8_t thirtySeconds = 8);
    Track& endOfTrack(std::uint32_t delta = 0) { return meta(delta, 0x2F, ""); }
    // System exclusive: F0 or F7, the length number, the bytes.
    Track& sysex(std::uint32_t delta, std::string_view data);
    Track& sysexEscape(std::uint32_t delta, std::string_view data);
    Track& raw(const Bytes& bytes);

    // Writes this length into the chunk header instead of the data's size.
    Track& declaredLength(std::uint32_t length);
    Track& magic(std::string_view fourBytes);

    const Bytes& data() const { return data_; }
    Bytes chunk() const; // "MTrk", length, data

private:
    Bytes data_;
    std::optional<std::uint32_t> length_;
    std::string magic_ = "MTrk";
};

struct Header {
    std::uint16_t format = 1;
    std::optional<std::uint16_t> tracks; // default: the number of tracks written
    std::uint16_t division = 480;
    Bytes extra;                         // header bytes after the division word
    std::optional<std::uint32_t> length; // default: 6 + extra.size()
    std::string magic = "MThd";
};

Bytes headerChunk(const Header& header, std::uint16_t trackCount);
Bytes smf(const Header& header, const std::vector<Track>& tracks);

// The DM frames of a text: "DM:%04u:" and at most payloadSize bytes each.
std::vector<std::string> dmFrames(std::string_view text, std::size_t payloadSize);

// A voice track carrying text as DM frames, in the order given by frame
// numbers (empty: in number order), each at delta 0, ended by End of Track.
Track dmTrack(std::string_view text, std::size_t payloadSize = 64, const std::vector<std::size_t>& order = {});

// A whole VSQ file: a master track with 120 BPM and 4/4 at tick 0, and one
// voice track per text.
Bytes vsqFile(const std::vector<std::string>& voiceTexts, std::uint16_t division = 480, std::size_t payloadSize = 64);

// The worked example of the dump format: two voices, division 480.
Bytes workedExample();
extern const char* const kWorkedExampleDump;

} // namespace Fixture
