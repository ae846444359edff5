// Collector: a whole sequence in plain C++ storage, gathered without touching
// Python, so that the reader runs with the GIL released.  The Python objects
// are made from it afterwards (Objects.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <liedwerk/ViewHooks.h>

namespace TrilloPy {

// Bytes in Collected::text.
struct Span {
    std::size_t offset;
    std::size_t length;
};

struct TempoMapEvent {
    std::uint32_t tick;
    bool isTempo;             // a tempo; otherwise a time signature
    double bpm;               // a tempo's
    std::uint32_t numerator;  // a time signature's
    std::uint32_t denominator;
};

struct CollectedSection {
    Span name;
    std::size_t firstField; // its fields run up to the next section's first
};

// What a read gathered, in file order.  Track i holds the sections from
// trackStarts[i] up to the next track's first (or the end); section j holds
// the fields from sections[j].firstField up to the next section's first.
// After a failure it holds what came before: the track and the section that
// were open, with what they had so far.
struct Collected {
    std::int32_t voices = 0;   // 0 until the header is read
    std::int32_t division = 0;
    std::vector<TempoMapEvent> tempoMap;
    std::vector<std::size_t> trackStarts;
    std::vector<CollectedSection> sections;
    std::vector<std::pair<Span, Span>> fields; // key, value
    std::string text;                          // every name, key and value
};

// Fills a Collected as the reader's events arrive.  Like the dump writer, it
// throws Trillo::Ex::NoText for a voice track without any section.
class Collector final : public Liedwerk::ParseVSQs::ViewHooks {
public:
    explicit Collector(Collected& out) : out_(out) {}

    void onHeader(std::int32_t voices, std::int32_t division) override;
    void onEndFile() override {}
    void onBeginTempoMap() override {}
    void onEndTempoMap() override {}
    void onTempo(std::uint32_t tick, double tempo) override;
    void onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) override;
    void onBeginTrack(std::int32_t track) override;
    void onEndTrack(std::int32_t track) override;
    void onBeginSection(std::int32_t track, std::string_view name) override;
    void onEndSection(std::int32_t, std::string_view) override {}
    void onField(std::int32_t track, std::string_view section, std::string_view key,
                 std::string_view value) override;
    void onLines(std::int32_t track, std::string_view section, std::string_view lines) override;

private:
    Span keep(std::string_view bytes);

    Collected& out_;
};

} // namespace TrilloPy
