#include <liedwerk/WriteVSQ.h>

#include <algorithm>
#include <cstring>

#include <orbsmf/Writer.h>

namespace Liedwerk {

namespace WriteVSQs {

namespace {

constexpr std::uint64_t kMaxChunkLength = 0xFFFFFFFF;

// The master track's meta events and their data sizes.
constexpr std::uint8_t kTextType = 0x01;
constexpr std::uint8_t kEndOfTrackType = 0x2F;
constexpr std::uint8_t kTempoType = 0x51;
constexpr std::uint8_t kTimeSignatureType = 0x58;
constexpr std::uint32_t kTempoDataSize = 3;
constexpr std::uint32_t kTimeSignatureDataSize = 4;
constexpr std::uint8_t kClocksPerClick = 24;
constexpr std::uint8_t kThirtySecondsPerQuarter = 8;

bool isPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

} // namespace

namespace {

// Each kind's name and words, in the order of Problem::Kind.
struct KindText {
    const char* name;
    const char* words;
};
constexpr KindText kKindTexts[] = {
    {"None", ""},
    {"DivisionOutOfRange", "the division must be 0 to 32767"},
    {"NoVoice", "there must be at least one voice track"},
    {"TooManyVoices", "there can be at most 65534 voice tracks"},
    {"TempoOutOfRange", "a tempo must be 0 to 16777215 microseconds per quarter note"},
    {"NumeratorOutOfRange", "a time signature's numerator must be 0 to 255"},
    {"DenominatorNotPowerOfTwo", "a time signature's denominator must be a power of two from 1 to 2147483648"},
    {"TickBeforePrevious", "the tick is before the tick of the event above"},
    {"StepTooLong", "the step from the tick above is longer than 268435455 ticks"},
    {"EmptyText", "a voice track needs at least one section line"},
    {"ZeroByte", "a line holds a 0 byte"},
    {"EmptyLine", "a voice track's text holds an empty line"},
    {"FieldBeforeSection", "a field line comes before any section line"},
    {"MalformedSection", "a section line must be [name], with nothing after the ]"},
    {"MalformedField", "a field line needs a key before its ="},
    {"TrackTooLong", "a voice track's text is too long for one track chunk"},
    {"TempoMapTooLong", "the tempo map is too long for one track chunk"},
};
static_assert(sizeof kKindTexts / sizeof kKindTexts[0] == Problem::TempoMapTooLong + 1, "a kind without its text");

const KindText& textOf(Problem::Kind kind) {
    return static_cast<std::size_t>(kind) < sizeof kKindTexts / sizeof kKindTexts[0] ? kKindTexts[kind] : kKindTexts[0];
}

} // namespace

const char* describe(Problem::Kind kind) { return textOf(kind).words; }

const char* nameOf(Problem::Kind kind) { return textOf(kind).name; }

} // namespace WriteVSQs

namespace {

using WriteVSQs::Problem;
using WriteVSQs::TempoEvent;

// A voice's text goes into DM frames, the data of text events:
//
//   frame   = "DM:" number ":" payload           (at most 127 bytes)
//   number  = decimal from 0, at least 4 digits  ("0000", "0001", ..., "10000")
//   payload = the next bytes of the text, as many as fit
//
// so frames 0 to 9999 carry 119 bytes of text each, frames 10000 to 99999
// carry 118, and so on.
constexpr std::uint32_t kFramePrefixSize = 3; // "DM:"
constexpr std::uint32_t kMinDigits = 4;
constexpr std::uint32_t kMaxDigits = 10; // a track chunk ends long before

std::uint32_t payloadRoom(std::uint32_t digits) {
    return OrbSMF::Writing::kMaxMetaData - kFramePrefixSize - digits - 1;
}

// Each frame's event: delta 0, FF 01, the length byte, the frame.
constexpr std::uint32_t kFrameEventOverhead = 1 + 3 + kFramePrefixSize + 1;
// End of Track: delta 0, FF 2F 00.
constexpr std::uint32_t kEndOfTrackSize = 4;

// The bytes of a voice track chunk's data for a text of textSize bytes.
std::uint64_t voiceTrackLength(std::uint64_t textSize) {
    std::uint64_t length = kEndOfTrackSize;
    std::uint64_t framesOfWidth = 10000; // the numbers of kMinDigits digits: 0 to 9999
    for (std::uint32_t digits = kMinDigits; textSize != 0 && digits <= kMaxDigits; ++digits) {
        const std::uint64_t room = payloadRoom(digits);
        const std::uint64_t frames = std::min(framesOfWidth, (textSize + room - 1) / room);
        const std::uint64_t carried = std::min(textSize, frames * room);
        length += frames * (kFrameEventOverhead + digits) + carried;
        textSize -= carried;
        framesOfWidth = framesOfWidth == 10000 ? 90000 : framesOfWidth * 10;
    }
    return length;
}

// "DM:" and the frame number and ":", counted up in place.
class FrameHead {
public:
    FrameHead() { std::memcpy(text_, "DM:0000:", 8); }

    std::string_view view() const { return std::string_view(text_, kFramePrefixSize + digits_ + 1); }
    std::uint32_t payloadRoom() const { return Liedwerk::payloadRoom(digits_); }

    void next() {
        char* const first = text_ + kFramePrefixSize;
        for (char* digit = first + digits_ - 1; digit >= first; --digit) {
            if (*digit != '9') {
                ++*digit;
                return;
            }
            *digit = '0';
        }
        // 9999 became 0000: one digit more, "10000".
        *first = '1';
        first[digits_] = '0';
        ++digits_;
        first[digits_] = ':';
    }

private:
    char text_[kFramePrefixSize + kMaxDigits + 1 + 1];
    std::uint32_t digits_ = kMinDigits;
};

// A step longer than a delta time can hold is bridged: an empty text event
// (FF 01 00), which the reader passes over in the master track, after each
// full delta of kMaxVarNumber ticks, then the event itself with the rest.
constexpr std::uint32_t kMaxDelta = OrbSMF::Writing::kMaxVarNumber;

// The bridging events before an event that lies step ticks after the one
// above, and the event's own delta after them: 1 to kMaxDelta (or 0 for a
// step of 0).
std::uint32_t bridgesFor(std::uint32_t step) { return step == 0 ? 0 : (step - 1) / kMaxDelta; }
std::uint32_t lastDelta(std::uint32_t step) { return step - bridgesFor(step) * kMaxDelta; }

// The master track's bytes for the bridges of a step.
std::uint64_t bridgeLength(std::uint32_t step) {
    return std::uint64_t{bridgesFor(step)} * OrbSMF::Writing::metaEventSize(kMaxDelta, 0);
}

// The problem of one tempo map event.  Any tick can follow any other: ticks
// count modulo 2^32, as the reader's do, so a tick below the one above is a
// step past tick 4294967295, bridged like any long step.
Problem::Kind checkTempoEvent(const TempoEvent& event) {
    if (event.kind == TempoEvent::Tempo) {
        if (event.microsecondsPerQuarter > WriteVSQs::kMaxMicroseconds) return Problem::TempoOutOfRange;
        return Problem::None;
    }
    if (event.numerator > WriteVSQs::kMaxNumerator) return Problem::NumeratorOutOfRange;
    if (!WriteVSQs::isPowerOfTwo(event.denominator)) return Problem::DenominatorNotPowerOfTwo;
    return Problem::None;
}

std::uint8_t exponentOf(std::uint32_t powerOfTwo) {
    std::uint8_t exponent = 0;
    for (; powerOfTwo > 1; powerOfTwo >>= 1) ++exponent;
    return exponent;
}

void writeMasterTrack(OrbSMF::Writer& writer, const std::vector<TempoEvent>& events, std::uint32_t length) {
    writer.beginTrack(length);
    std::uint32_t previousTick = 0;
    for (const TempoEvent& event : events) {
        const std::uint32_t step = event.tick - previousTick;
        const std::uint32_t bridges = bridgesFor(step);
        for (std::uint32_t bridge = 0; bridge < bridges; ++bridge)
            writer.metaEvent(kMaxDelta, WriteVSQs::kTextType, std::string_view());
        const std::uint32_t delta = lastDelta(step);
        previousTick = event.tick;
        if (event.kind == TempoEvent::Tempo) {
            const std::uint32_t value = event.microsecondsPerQuarter;
            const char data[] = {static_cast<char>(value >> 16), static_cast<char>(value >> 8),
                                 static_cast<char>(value)};
            writer.metaEvent(delta, WriteVSQs::kTempoType, std::string_view(data, sizeof data));
        } else {
            const char data[] = {static_cast<char>(event.numerator), static_cast<char>(exponentOf(event.denominator)),
                                 static_cast<char>(WriteVSQs::kClocksPerClick),
                                 static_cast<char>(WriteVSQs::kThirtySecondsPerQuarter)};
            writer.metaEvent(delta, WriteVSQs::kTimeSignatureType, std::string_view(data, sizeof data));
        }
    }
    writer.metaEvent(0, WriteVSQs::kEndOfTrackType, std::string_view());
    writer.endTrack();
}

void writeVoiceTrack(OrbSMF::Writer& writer, std::string_view text, std::uint32_t length) {
    writer.beginTrack(length);
    FrameHead head;
    while (!text.empty()) {
        const std::size_t size = std::min<std::size_t>(text.size(), head.payloadRoom());
        writer.metaEvent(0, WriteVSQs::kTextType, head.view(), text.substr(0, size));
        text.remove_prefix(size);
        head.next();
    }
    writer.metaEvent(0, WriteVSQs::kEndOfTrackType, std::string_view());
    writer.endTrack();
}

} // namespace

class WriteVSQ::Impl_ {
public:
    explicit Impl_(const WriteVSQs::Content& content) : content_(content) {
        if (check()) lengths_.clear();
    }

    const Problem& problem() const { return problem_; }
    std::uint64_t size() const { return size_; }

    void write(OrbT::ByteSink& sink) const {
        if (problem_.kind != Problem::None) throw Ex::UnwritableContent();
        OrbSMF::Writer writer(sink);
        writer.header(1, static_cast<std::uint16_t>(content_.voices.size() + 1),
                      static_cast<std::uint16_t>(content_.division));
        writeMasterTrack(writer, content_.tempoMap, lengths_[0]);
        for (std::size_t voice = 0; voice < content_.voices.size(); ++voice)
            writeVoiceTrack(writer, content_.voices[voice], lengths_[voice + 1]);
        writer.flush();
    }

private:
    // Finds the first problem, in file order but that the number of voices
    // comes after the tempo map, and lays out the tracks; true on a problem.
    bool check() {
        if (content_.division < 0 || content_.division > WriteVSQs::kMaxDivision)
            return fail(Problem::DivisionOutOfRange);
        if (checkTempoMap()) return true;
        if (content_.voices.empty()) return fail(Problem::NoVoice);
        if (content_.voices.size() > WriteVSQs::kMaxVoices) return fail(Problem::TooManyVoices);
        for (std::size_t voice = 0; voice < content_.voices.size(); ++voice) {
            if (checkVoice(voice)) return true;
        }
        return false;
    }

    bool checkTempoMap() {
        std::uint64_t length = kEndOfTrackSize;
        std::uint32_t previousTick = 0;
        for (std::size_t index = 0; index < content_.tempoMap.size(); ++index) {
            const TempoEvent& event = content_.tempoMap[index];
            const Problem::Kind kind = checkTempoEvent(event);
            if (kind != Problem::None) return fail(kind, index);
            const std::uint32_t dataSize =
                event.kind == TempoEvent::Tempo ? WriteVSQs::kTempoDataSize : WriteVSQs::kTimeSignatureDataSize;
            const std::uint32_t step = event.tick - previousTick;
            length += bridgeLength(step) + OrbSMF::Writing::metaEventSize(lastDelta(step), dataSize);
            previousTick = event.tick;
        }
        if (length > WriteVSQs::kMaxChunkLength) return fail(Problem::TempoMapTooLong);
        addTrack(length);
        return false;
    }

    bool checkVoice(std::size_t voice) {
        const std::string_view text = content_.voices[voice];
        const Problem found = WriteVSQs::checkText(text);
        if (found.kind != Problem::None) return fail(found.kind, voice, found.offset);
        const std::uint64_t length = voiceTrackLength(text.size());
        if (length > WriteVSQs::kMaxChunkLength) return fail(Problem::TrackTooLong, voice);
        addTrack(length);
        return false;
    }

    void addTrack(std::uint64_t length) {
        lengths_.push_back(static_cast<std::uint32_t>(length));
        size_ += OrbSMF::Writing::kChunkHeaderSize + length;
    }

    bool fail(Problem::Kind kind, std::size_t index = 0, std::size_t offset = 0) {
        problem_.kind = kind;
        problem_.index = index;
        problem_.offset = offset;
        size_ = 0;
        return true;
    }

    const WriteVSQs::Content& content_;
    Problem problem_;
    std::vector<std::uint32_t> lengths_; // the track chunks' lengths: master, then each voice
    std::uint64_t size_ = OrbSMF::Writing::kHeaderChunkSize;
};

WriteVSQ::WriteVSQ(const WriteVSQs::Content& content) : impl_(std::make_unique<Impl_>(content)) {}

WriteVSQ::~WriteVSQ() = default;

const WriteVSQs::Problem& WriteVSQ::problem() const { return impl_->problem(); }

std::uint64_t WriteVSQ::size() const { return impl_->size(); }

void WriteVSQ::write(OrbT::ByteSink& sink) const { impl_->write(sink); }

} // namespace Liedwerk
