// VSQHooks: the dump writer, trillo's receiver of the VSQ reader's events.
#pragma once

#include <cstdint>
#include <cstdio>

#include <liedwerk/Hooks.h>

// Turns each event, as it arrives, into lines of the dump on a stream:
//
//   [Master]                 onBeginTempoMap
//   NumVoices=2
//   Division=480
//   [TempoMap]
//   0=Tempo:120.00           onTempo
//   0=Time:4/4:24:8          onTimeSignature
//                            onEndTempoMap (a blank line)
//   [Track01]                onBeginTrack (index + 1)
//   [Alpha]                  onBeginSection
//   Name=first voice         onField (key and value only)
//                            onEndTrack (a blank line, except after the last track)
//
// Every write is checked at once: a failing one throws
// OrbT::Ex::CannotWriteFile.  A voice track that ends without a section throws
// Ex::NoText.  The writer keeps no model of the file and never flushes.
class VSQHooks final : public Liedwerk::ParseVSQs::Hooks {
public:
    // closeOnDestroy: whether the destructor closes out.
    VSQHooks(std::FILE* out, bool closeOnDestroy);
    ~VSQHooks() override;
    VSQHooks(const VSQHooks&) = delete;
    VSQHooks& operator=(const VSQHooks&) = delete;

    void onHeader(std::int32_t voices, std::int32_t division) override;
    void onEndFile() override;
    void onBeginTempoMap() override;
    void onEndTempoMap() override;
    void onTempo(std::uint32_t tick, double tempo) override;
    void onTimeSignature(std::uint32_t tick, std::uint32_t numerator,
                         std::uint32_t denominator) override;
    void onBeginTrack(std::int32_t track) override;
    void onEndTrack(std::int32_t track) override;
    void onBeginSection(std::int32_t track, const char* name) override;
    void onEndSection(std::int32_t track, const char* name) override;
    void onField(std::int32_t track, const char* section, const char* key,
                 const char* value) override;

private:
    std::FILE* out;
    bool closeOnDestroy;
    std::int32_t numVoices = 0;
    std::int32_t division = 0;
    bool sectionSeen = false; // a section has begun in the current voice track
};
