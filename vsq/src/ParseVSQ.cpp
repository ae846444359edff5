#include <liedwerk/ParseVSQ.h>

#include <memory>
#include <optional>
#include <string>

#include <orbsmf/Parser.h>

#include "DMFrameCollector.h"
#include "DMTextParser.h"

namespace Liedwerk {

ParseVSQs::Hooks::~Hooks() = default;

namespace {

constexpr std::uint16_t kRequiredFormat = 1;
constexpr std::uint16_t kMinTracks = 2; // the master track and one voice
constexpr std::uint16_t kSMPTEDivisionBit = 0x8000;

constexpr std::uint8_t kMetaText = 0x01;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kMetaTimeSignature = 0x58;
constexpr std::uint32_t kTempoDataLength = 3;         // microseconds per quarter, 24 bits
constexpr std::uint32_t kTimeSignatureDataLength = 2; // numerator, denominator exponent
constexpr double kMicrosecondsPerMinute = 60000000.0;

bool isMeta(const OrbSMF::SMFEvent& event, std::uint8_t type) {
    return event.kind == OrbSMF::Meta && event.metaType == type;
}

// The receiver of terminated strings, served by the receiver with lengths:
// each text is copied once, and terminated.
class TerminatedStrings final : public ParseVSQs::ViewHooks {
public:
    explicit TerminatedStrings(ParseVSQs::Hooks& to) : to_(to) {}

    void onHeader(std::int32_t voices, std::int32_t division) override { to_.onHeader(voices, division); }
    void onEndFile() override { to_.onEndFile(); }
    void onBeginTempoMap() override { to_.onBeginTempoMap(); }
    void onEndTempoMap() override { to_.onEndTempoMap(); }
    void onTempo(std::uint32_t tick, double tempo) override { to_.onTempo(tick, tempo); }
    void onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) override {
        to_.onTimeSignature(tick, numerator, denominator);
    }
    void onBeginTrack(std::int32_t track) override { to_.onBeginTrack(track); }
    void onEndTrack(std::int32_t track) override { to_.onEndTrack(track); }
    void onBeginSection(std::int32_t track, std::string_view name) override {
        section_.assign(name);
        to_.onBeginSection(track, section_.c_str());
    }
    void onEndSection(std::int32_t track, std::string_view) override { to_.onEndSection(track, section_.c_str()); }
    void onField(std::int32_t track, std::string_view, std::string_view key, std::string_view value) override {
        run_.assign(key).append(1, '\0').append(value);
        to_.onField(track, section_.c_str(), run_.c_str(), run_.c_str() + key.size() + 1);
        letGoOfLong(run_);
    }
    // A run is copied once: each field line's first "=" and its "\n" then
    // become the terminators (a section's name is copied into section_).
    void onLines(std::int32_t track, std::string_view section, std::string_view lines) override {
        run_.assign(lines);
        bool open = !section.empty();
        ParseVSQs::eachLine(
            run_,
            [&](std::string_view name) {
                if (open) to_.onEndSection(track, section_.c_str());
                open = true;
                onBeginSection(track, name);
            },
            [&](std::string_view key, std::string_view value) {
                to_.onField(track, section_.c_str(), terminated(key), terminated(value));
            });
        letGoOfLong(run_);
    }

private:
    // A text inside run_, with the byte after it made its terminator.
    const char* terminated(std::string_view text) {
        char* const start = &run_[static_cast<std::size_t>(text.data() - run_.data())];
        start[text.size()] = '\0';
        return start;
    }

    // A copy of a long text does not keep its storage for the next.
    static void letGoOfLong(std::string& copy) {
        constexpr std::size_t kKept = 4096;
        if (copy.capacity() > kKept) std::string().swap(copy);
    }

    ParseVSQs::Hooks& to_;
    std::string section_; // the open section's name, as its onBeginSection had it
    std::string run_;     // a field, or a run of lines, cut into terminated strings
};

} // namespace

// The reader: receiver of the SMF parser and of the voice tracks' text
// parser, forwarding to its own receiver with the voice track added.
class ParseVSQ::Impl_ final : public OrbSMF::Parsers::Hooks, public TextParsers::Hooks {
public:
    explicit Impl_(ParseVSQs::ViewHooks& receiver) : receiver_(receiver), smfParser_(*this), textParser_(*this) {}
    explicit Impl_(std::unique_ptr<ParseVSQs::ViewHooks> adapter) : Impl_(*adapter) { adapter_ = std::move(adapter); }

    bool feed(OrbT::ByteRange& range) { return smfParser_.feed(range); }

    // OrbSMF::Parsers::Hooks
    void onHeaderChunk(const OrbSMF::SMFHeader& header) override;
    void onEndOfSMF() override { receiver_.onEndFile(); }
    void onBeginHeaderExtra(std::uint32_t) override {} // bytes beyond the six are skipped
    void onEndHeaderExtra() override {}
    void onHeaderExtraBytes(const std::uint8_t*, std::uint32_t) override {}
    void onBeginTrackChunk(std::int32_t track, std::uint32_t length) override;
    void onEndTrackChunk(std::int32_t track) override;
    void onTrackEvent(std::int32_t track, const OrbSMF::SMFEvent& event) override;

    // TextParsers::Hooks
    void onSectionName(std::string_view name) override { receiver_.onBeginSection(voiceTrack_, name); }
    void onSectionEnd(std::string_view name) override { receiver_.onEndSection(voiceTrack_, name); }
    void onKeyValue(std::string_view section, std::string_view key, std::string_view value) override {
        receiver_.onField(voiceTrack_, section, key, value);
    }
    void onLines(std::string_view section, std::string_view lines) override {
        receiver_.onLines(voiceTrack_, section, lines);
    }

private:
    void handleMasterEvent(const OrbSMF::SMFEvent& event);
    void handleVoiceEvent(const OrbSMF::SMFEvent& event);

    std::unique_ptr<ParseVSQs::ViewHooks> adapter_; // the receiver, when it takes terminated strings
    ParseVSQs::ViewHooks& receiver_;
    OrbSMF::Parser smfParser_;
    DMTextParser textParser_; // the current voice track's text
    DMFrameCollector frameCollector_;
    std::int32_t voiceTrack_ = 0;
};

void ParseVSQ::Impl_::onHeaderChunk(const OrbSMF::SMFHeader& header) {
    if (header.format != kRequiredFormat) throw Ex::IllegalSMFFormat();
    if (header.tracks < kMinTracks) throw Ex::TooFewTracks();
    if ((header.division & kSMPTEDivisionBit) != 0) throw Ex::DivisionNotSupported();
    receiver_.onHeader(header.tracks - 1, header.division);
}

void ParseVSQ::Impl_::onBeginTrackChunk(std::int32_t track, std::uint32_t) {
    if (track == 0) {
        receiver_.onBeginTempoMap();
        return;
    }
    voiceTrack_ = track - 1;
    textParser_.reset();
    frameCollector_.checkAndReset(); // holds nothing here: never throws
    receiver_.onBeginTrack(voiceTrack_);
}

void ParseVSQ::Impl_::onEndTrackChunk(std::int32_t track) {
    if (track == 0) {
        receiver_.onEndTempoMap();
        return;
    }
    // The unfinished last line is reported before the frame check fails.
    textParser_.finish();
    frameCollector_.checkAndReset();
    textParser_.endSection();
    receiver_.onEndTrack(voiceTrack_);
}

void ParseVSQ::Impl_::onTrackEvent(std::int32_t track, const OrbSMF::SMFEvent& event) {
    if (track == 0)
        handleMasterEvent(event);
    else
        handleVoiceEvent(event);
}

// Only tempo and time-signature events of the master track are used.  One
// whose data is too short for its values is ignored rather than read past
// its end.
void ParseVSQ::Impl_::handleMasterEvent(const OrbSMF::SMFEvent& event) {
    const std::uint8_t* data = event.data;
    if (isMeta(event, kMetaTempo) && event.size >= kTempoDataLength) {
        const std::uint32_t microseconds = (std::uint32_t{data[0]} << 16) | (std::uint32_t{data[1]} << 8) | data[2];
        receiver_.onTempo(event.tick, kMicrosecondsPerMinute / microseconds);
    } else if (isMeta(event, kMetaTimeSignature) && event.size >= kTimeSignatureDataLength) {
        const std::uint32_t denominator = std::uint32_t{1} << (data[1] % 32);
        receiver_.onTimeSignature(event.tick, data[0], denominator);
    }
}

// The text-event step: text events go through the frame collector, and every
// payload whose turn has come is fed, in number order.
void ParseVSQ::Impl_::handleVoiceEvent(const OrbSMF::SMFEvent& event) {
    if (!isMeta(event, kMetaText)) return;
    const std::optional<std::string_view> accepted =
        frameCollector_.accept(std::string_view(reinterpret_cast<const char*>(event.data), event.size));
    if (!accepted) return; // not a DM frame: skipped without a report
    for (std::string_view payload = *accepted; !payload.empty(); payload = frameCollector_.next())
        textParser_.feed(payload);
}

ParseVSQ::ParseVSQ(ParseVSQs::ViewHooks& receiver) : impl_(std::make_unique<Impl_>(receiver)) {}

ParseVSQ::ParseVSQ(ParseVSQs::Hooks& receiver)
    : impl_(std::make_unique<Impl_>(std::make_unique<TerminatedStrings>(receiver))) {}

ParseVSQ::~ParseVSQ() = default;

bool ParseVSQ::feed(OrbT::ByteRange& range) { return impl_->feed(range); }

} // namespace Liedwerk
