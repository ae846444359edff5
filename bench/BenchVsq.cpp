#include "BenchVsq.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace Bench {

namespace {

using Fixture::Bytes;
using Fixture::Track;

// splitmix64: small, fixed, and the same on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }

private:
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }

    std::uint64_t state_;
};

constexpr int kMasterEvents = 400; // every fourth a time signature, the rest tempi
constexpr std::uint8_t kTrackName = 0x03;
constexpr std::uint8_t kNoteOn = 0x90;
// Payload bytes per byte of track chunk: a full frame costs its payload, the
// "DM:nnnnn:" prefix, the delta, FF 01 and the length byte, plus the notes
// that follow one frame in four on average.
constexpr double kTextShare = 0.89;
constexpr std::uint64_t kMinTextBytes = 256;

const char* const kSyllables[] = {"la", "li", "lu", "ma", "mi", "na", "ne", "no", "ra", "ri", "sa", "shi", "ta",
                                  "te", "to", "ka", "ki", "ko", "ha", "hi", "a",  "i",  "u",  "e",  "o"};
const char* const kWords[] = {"soft", "breath", "attack", "vibrato", "bright", "dark", "legato", "accent",
                              "slow", "fade",   "open",   "closed",  "=",      "[x]",  "rise",   "fall"};

template <std::size_t N>
const char* pick(const char* const (&list)[N], Random& random) {
    return list[random.below(static_cast<std::uint32_t>(N))];
}

void appendLine(std::string& text, const char* format, long a, long b = 0) {
    char line[96];
    const int n = std::snprintf(line, sizeof line, format, a, b);
    text.append(line, static_cast<std::size_t>(n));
}

Track masterTrack() {
    Random random(1);
    Track master;
    master.meta(0, kTrackName, "Master Track");
    for (int i = 0; i < kMasterEvents; ++i) {
        const std::uint32_t delta = i == 0 ? 0 : kDivision * (1 + random.below(8));
        if (i % 4 == 3) {
            master.timeSignature(delta, static_cast<std::uint8_t>(2 + random.below(6)),
                                 static_cast<std::uint8_t>(1 + random.below(3)));
        } else {
            master.tempo(delta, 300000 + random.below(700001));
        }
    }
    return master.endOfTrack();
}

// The INI-like text of one voice: at least textBytes bytes of whole lines.
std::string voiceText(int voice, std::uint64_t textBytes, Random& random) {
    std::string text;
    text.reserve(textBytes + 1024);
    appendLine(text, "[Voice]\nName=voice %ld\nColour=%ld,120,200\nMuted=0\n", voice + 1, 40 * voice);
    long tick = 0;
    for (long note = 0; text.size() < textBytes; ++note) {
        tick += kDivision / 4 * (1 + random.below(8));
        appendLine(text, "[Note#%06ld]\nTick=%ld\n", note, tick);
        appendLine(text, "Length=%ld\nKey=%ld\n", kDivision / 8 * (1 + random.below(16)), 36 + random.below(48));
        appendLine(text, "Velocity=%ld\n", random.below(128));
        text += "Syllable=";
        text += pick(kSyllables, random);
        text += '\n';
        if (note % 8 == 7) { // a curve: many short lines
            appendLine(text, "[Curve#%06ld]\n", note);
            for (long point = 0; point < 16; ++point)
                appendLine(text, "%ld=%ld\n", tick + point * 30, static_cast<long>(random.below(16384)) - 8192);
        }
        if (random.below(64) == 0) { // a long value over several frames
            text += "[Comment]\nText=";
            for (std::uint32_t words = 20 + random.below(100); words != 0; --words) {
                text += pick(kWords, random);
                text += ' ';
            }
            text += '\n';
        }
    }
    return text;
}

// A voice track: its text as DM frames, neighbours swapped now and then, and
// a Note On and its Note Off (velocity 0) after about one frame in four, all
// under running status but the first.
Track voiceTrack(int voice, std::uint64_t textBytes, Frames frames_) {
    Random random(100 + static_cast<std::uint64_t>(voice));
    const std::vector<std::string> frames = Fixture::dmFrames(voiceText(voice, textBytes, random), kPayloadSize);
    const bool swap = frames_ == Frames::SomeSwapped;
    std::vector<std::size_t> order(frames.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        if (random.below(100) == 0 && swap) {
            std::swap(order[i], order[i + 1]);
            ++i;
        }
    }
    Track track;
    track.meta(0, kTrackName, "Voice");
    bool statusSent = false;
    for (std::size_t number : order) {
        track.text(0, frames[number]);
        if (random.below(4) != 0) continue;
        const auto key = static_cast<std::uint8_t>(36 + random.below(48));
        const std::uint32_t delta = kDivision / 4 * (1 + random.below(8));
        if (statusSent) {
            track.running(delta, key, static_cast<std::uint8_t>(1 + random.below(127)));
        } else {
            track.channel(delta, kNoteOn, key, static_cast<std::uint8_t>(1 + random.below(127)));
            statusSent = true;
        }
        track.running(kDivision / 2, key, 0);
    }
    return track.endOfTrack();
}

} // namespace

void writeVsq(std::uint64_t targetBytes, const std::function<void(const Bytes&)>& sink, Frames frames) {
    Fixture::Header header;
    header.division = kDivision;
    const Bytes head = Fixture::headerChunk(header, kVoiceTracks + 1);
    const Bytes master = masterTrack().chunk();
    sink(head);
    sink(master);
    const std::uint64_t used = head.size() + master.size();
    const std::uint64_t perTrack = targetBytes > used ? (targetBytes - used) / kVoiceTracks : 0;
    auto textBytes = static_cast<std::uint64_t>(static_cast<double>(perTrack) * kTextShare);
    if (textBytes < kMinTextBytes) textBytes = kMinTextBytes;
    for (int voice = 0; voice < kVoiceTracks; ++voice) sink(voiceTrack(voice, textBytes, frames).chunk());
}

Bytes vsqInMemory(std::uint64_t targetBytes) {
    Bytes file;
    file.reserve(targetBytes + 65536);
    writeVsq(targetBytes, [&file](const Bytes& chunk) { file.insert(file.end(), chunk.begin(), chunk.end()); });
    return file;
}

} // namespace Bench
