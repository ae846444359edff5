#include <liedwerk/ParseVSQ.h>

#include <cstring>
#include <memory>
#include <string>

#include <orbsmf/Parser.h>

#include "DMFrameCollector.h"
#include "DMTextParser.h"

namespace Liedwerk {

ParseVSQs::Hooks::~Hooks() = default;

namespace {

constexpr std::uint16_t kRequiredFormat = 1;
constexpr std::uint16_t kMinTracks = 2;            // the master track and one voice
constexpr std::uint16_t kSMPTEDivisionBit = 0x8000;

constexpr std::uint8_t kMetaText = 0x01;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kMetaTimeSignature = 0x58;
constexpr std::uint8_t kTempoDataLength = 3;       // microseconds per quarter, 24 bits
constexpr std::uint8_t kTimeSignatureDataLength = 2; // numerator, denominator exponent
constexpr double kMicrosecondsPerMinute = 60000000.0;

bool isMeta(const OrbSMF::SMFEvent& event, std::uint8_t type) {
    return event.kind == OrbSMF::Meta && event.metaType == type;
}

// Hands a terminated-string receiver's calls to a receiver with lengths.
class ViewAdapter final : public ParseVSQs::Hooks {
public:
    explicit ViewAdapter(ParseVSQs::ViewHooks& to) : to_(to) {}
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
    void onBeginSection(std::int32_t track, const char* name) override { to_.onBeginSection(track, name); }
    void onEndSection(std::int32_t track, const char* name) override { to_.onEndSection(track, name); }
    void onField(std::int32_t track, const char* section, const char* key, const char* value) override {
        to_.onField(track, section, key, value);
    }

private:
    ParseVSQs::ViewHooks& to_;
};

} // namespace

// The reader: receiver of the SMF parser and of the current voice track's
// text parser, forwarding to its own receiver with the voice track added.
class ParseVSQ::Impl_ final : public OrbSMF::Parsers::Hooks, public TextParsers::Hooks {
public:
    explicit Impl_(ParseVSQs::ViewHooks& receiver) : Impl_(std::make_unique<ViewAdapter>(receiver)) {}
    explicit Impl_(ParseVSQs::Hooks& receiver)
        : receiver_(receiver),
          smfParser_(*this),
          textParser_(std::make_unique<DMTextParser>(static_cast<TextParsers::Hooks&>(*this))) {}

    explicit Impl_(std::unique_ptr<ParseVSQs::Hooks> adapter) : Impl_(*adapter) { adapter_ = std::move(adapter); }

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
    void onSectionName(const char* name) override { receiver_.onBeginSection(voiceTrack_, name); }
    void onSectionEnd(const char* name) override { receiver_.onEndSection(voiceTrack_, name); }
    void onKeyValue(const char* section, const char* key, const char* value) override {
        receiver_.onField(voiceTrack_, section, key, value);
    }

private:
    void handleMasterEvent(const OrbSMF::SMFEvent& event);
    void handleVoiceEvent(const OrbSMF::SMFEvent& event);
    void feedText(const char* payload) { Liedwerk::feedText(partialLine_, *textParser_, payload); }

    // Destroyed in the reverse order: partialLine_, frameCollector_,
    // textParser_ (its section is not closed), smfParser_.
    std::unique_ptr<ParseVSQs::Hooks> adapter_; // the receiver, when it takes lengths
    ParseVSQs::Hooks& receiver_;
    OrbSMF::Parser smfParser_;
    std::unique_ptr<DMTextParser> textParser_; // the current voice track's, or none
    DMFrameCollector frameCollector_;
    std::int32_t voiceTrack_ = 0;
    std::string text_; // the current text event's text, terminated
    std::string partialLine_;
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
    partialLine_.clear();
    if (textParser_) textParser_->endSection(); // never open here: reports nothing
    textParser_ = std::make_unique<DMTextParser>(static_cast<TextParsers::Hooks&>(*this));
    frameCollector_.checkAndReset(); // holds nothing here: never throws
    receiver_.onBeginTrack(voiceTrack_);
}

void ParseVSQ::Impl_::onEndTrackChunk(std::int32_t track) {
    if (track == 0) {
        receiver_.onEndTempoMap();
        return;
    }
    // The unfinished last line is reported before the frame check fails.
    finishText(partialLine_, *textParser_);
    frameCollector_.checkAndReset();
    textParser_->endSection();
    textParser_.reset();
    receiver_.onEndTrack(voiceTrack_);
}

void ParseVSQ::Impl_::onTrackEvent(std::int32_t track, const OrbSMF::SMFEvent& event) {
    if (track == 0)
        handleMasterEvent(event);
    else
        handleVoiceEvent(event);
}

// Only tempo and time-signature events of the master track are used.  One
// whose length byte is too small for its data is ignored rather than read
// past its end.
void ParseVSQ::Impl_::handleMasterEvent(const OrbSMF::SMFEvent& event) {
    const std::uint8_t* data = event.data;
    if (isMeta(event, kMetaTempo) && event.size >= kTempoDataLength) {
        const std::uint32_t microseconds =
            (std::uint32_t{data[0]} << 16) | (std::uint32_t{data[1]} << 8) | data[2];
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
    // The text ends at its first 0 byte, if it holds one.
    const char* text = reinterpret_cast<const char*>(event.data);
    const void* zero = event.size == 0 ? nullptr : std::memchr(text, 0, event.size);
    text_.assign(text, zero == nullptr ? event.size : static_cast<std::size_t>(static_cast<const char*>(zero) - text));
    const char* payload = nullptr;
    try {
        payload = frameCollector_.accept(text_.c_str());
    } catch (const Ex::NotDMText&) {
        return; // not a DM frame: skipped without a report
    }
    while (payload != nullptr) {
        feedText(payload);
        payload = frameCollector_.accept(nullptr);
    }
}

ParseVSQ::ParseVSQ(ParseVSQs::Hooks& receiver) : impl_(std::make_unique<Impl_>(receiver)) {}

ParseVSQ::ParseVSQ(ParseVSQs::ViewHooks& receiver) : impl_(std::make_unique<Impl_>(receiver)) {}

ParseVSQ::~ParseVSQ() = default;

bool ParseVSQ::feed(OrbT::ByteRange& range) { return impl_->feed(range); }

} // namespace Liedwerk
