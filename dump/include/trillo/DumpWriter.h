// DumpWriter: trillo's dump, written as the VSQ reader's events arrive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include <liedwerk/ViewHooks.h>
#include <orbt/ByteSink.h>
#include <trillo/ReadLoop.h>

namespace Trillo {

// Turns each event, as it arrives, into lines of the dump:
//
//   [Master]                 onBeginTempoMap
//   NumVoices=2              "NumVoices=%d"
//   Division=480             "Division=%d"
//   [TempoMap]
//   0=Tempo:120.00           onTempo, "%u=Tempo:" and DumpFormat::printTempo
//   0=Time:4/4:24:8          onTimeSignature, "%u=Time:%u/%u:24:8"
//                            onEndTempoMap (a blank line)
//   [Track01]                onBeginTrack, "[Track%02d]" with index + 1
//   [Alpha]                  onBeginSection, "[%s]"
//   Name=first voice         onField, "%s=%s" (key and value only)
//                            onLines: the lines as they stand
//                            onEndTrack (a blank line, except after the last track)
//
// The lines gather in the writer's own buffer, which goes to the sink in
// whole blocks of kBufferSize as soon as more bytes come than it holds; flush
// hands over the rest.  A sink that fails
// throws (OrbT::Ex::CannotWriteFile) from the event whose bytes it was
// taking.  A voice track that ends without a section throws Ex::NoText.  The
// writer keeps no model of the file: its memory is the buffer.
class DumpWriter : public Liedwerk::ParseVSQs::ViewHooks {
public:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    explicit DumpWriter(OrbT::ByteSink& sink); // the sink must outlive the writer
    ~DumpWriter() override;                    // hands nothing over: call flush
    DumpWriter(const DumpWriter&) = delete;
    DumpWriter& operator=(const DumpWriter&) = delete;

    // Hands every buffered byte to the sink.  After a failed flush the bytes
    // it held are gone; what comes later is buffered anew.
    void flush();

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
    void onLines(std::int32_t track, std::string_view section, std::string_view lines) override;

private:
    void put(std::string_view bytes);
    void put(char byte);
    void putDecimal(std::uint32_t value, int width = 1);
    void putSigned(std::int32_t value, int width = 1);

    OrbT::ByteSink& sink_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    std::int32_t voices_ = 0;
    std::int32_t division_ = 0;
    SectionRule sections_;
};

} // namespace Trillo
