// Recording receivers that turn every call into a readable line, and the
// helper that feeds one input cut in many ways and checks that the calls do
// not change.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <liedwerk/Hooks.h>
#include <liedwerk/ViewHooks.h>
#include <orbsmf/ByteRange.h>
#include <orbsmf/Hooks.h>

#include "SmfWriter.h"
#include "TextHooks.h"

namespace Fixture {

// The qualified name of the exception being handled; call inside a catch.
std::string exceptionName();

std::string hex(const std::uint8_t* bytes, std::size_t count);

// Logs every SMF parser call.  Extra header bytes are logged as one line at
// onEndHeaderExtra, however they were split, unless splitExtra is set.  An
// event's tick that is not the chunk's delta times so far adds a line.
class SMFRecorder : public OrbSMF::Parsers::Hooks {
public:
    explicit SMFRecorder(bool splitExtra = false) : splitExtra_(splitExtra) {}
    void onHeaderChunk(const OrbSMF::SMFHeader& header) override;
    void onEndOfSMF() override;
    void onBeginHeaderExtra(std::uint32_t count) override;
    void onEndHeaderExtra() override;
    void onHeaderExtraBytes(const std::uint8_t* bytes, std::uint32_t count) override;
    void onBeginTrackChunk(std::int32_t track, std::uint32_t length) override;
    void onEndTrackChunk(std::int32_t track) override;
    void onTrackEvent(std::int32_t track, const OrbSMF::SMFEvent& event) override;

    std::string log;

private:
    bool splitExtra_;
    Bytes extra_;
    std::uint32_t tick_ = 0; // the chunk's delta times so far
};

// Logs every call of the reader's receiver, one line each; a run of lines is
// logged as the calls it stands for (the default onLines).
class VSQViewRecorder : public Liedwerk::ParseVSQs::ViewHooks {
public:
    void onHeader(std::int32_t voices, std::int32_t division) override;
    void onEndFile() override;
    void onBeginTempoMap() override;
    void onEndTempoMap() override;
    void onTempo(std::uint32_t tick, double tempo) override;
    void onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) override;
    void onBeginTrack(std::int32_t track) override;
    void onEndTrack(std::int32_t track) override;
    void onBeginSection(std::int32_t track, std::string_view name) override;
    void onEndSection(std::int32_t track, std::string_view name) override;
    void onField(std::int32_t track, std::string_view section, std::string_view key, std::string_view value) override;
    // The default cuts a run of lines into its calls.

    std::string log;
};

// Logs every call of the reader's receiver of terminated strings, in
// VSQViewRecorder's lines: the logs of the two receivers for one input must
// be the same.
class VSQRecorder : public Liedwerk::ParseVSQs::Hooks {
    VSQViewRecorder views_; // keeps the log

public:
    VSQRecorder() = default;
    VSQRecorder(const VSQRecorder&) = delete; // log refers to its own views_
    VSQRecorder& operator=(const VSQRecorder&) = delete;

    void onHeader(std::int32_t voices, std::int32_t division) override { views_.onHeader(voices, division); }
    void onEndFile() override { views_.onEndFile(); }
    void onBeginTempoMap() override { views_.onBeginTempoMap(); }
    void onEndTempoMap() override { views_.onEndTempoMap(); }
    void onTempo(std::uint32_t tick, double tempo) override { views_.onTempo(tick, tempo); }
    void onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) override {
        views_.onTimeSignature(tick, numerator, denominator);
    }
    void onBeginTrack(std::int32_t track) override { views_.onBeginTrack(track); }
    void onEndTrack(std::int32_t track) override { views_.onEndTrack(track); }
    void onBeginSection(std::int32_t track, const char* name) override { views_.onBeginSection(track, name); }
    void onEndSection(std::int32_t track, const char* name) override { views_.onEndSection(track, name); }
    void onField(std::int32_t track, const char* section, const char* key, const char* value) override {
        views_.onField(track, section, key, value);
    }

    std::string& log = views_.log;
};

// Logs every text parser call; a run of lines as the calls it stands for.
class TextRecorder : public Liedwerk::TextParsers::Hooks {
public:
    void onSectionName(std::string_view name) override;
    void onSectionEnd(std::string_view name) override;
    void onKeyValue(std::string_view section, std::string_view key, std::string_view value) override;
    void onLines(std::string_view section, std::string_view lines) override;

    std::string log;
};

// Feeds input to a new Parser (OrbSMF::Parser or Liedwerk::ParseVSQ) bound to
// a new Recorder, cut before each offset in cuts (ascending, inside the
// input), then the empty range if the parser still wants input.  Returns the
// recorder's log followed by one outcome line: "done rest=N" (N bytes after
// the end), "throws NAME", or "wants more".
template <class Parser, class Recorder>
std::string feedPieces(const Bytes& input, const std::vector<std::size_t>& cuts);

// Every cut of input into pieces that the tests use: whole, one byte per
// range, every two-way split (for inputs up to maxTwoWay bytes), and random
// splits.  Each is a list of cut offsets.
std::vector<std::vector<std::size_t>> splitsOf(std::size_t size, std::size_t maxTwoWay = 1024, int randomSplits = 30);

} // namespace Fixture

#include "Recorders.inl"
