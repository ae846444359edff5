#include "ReadBack.h"

#include <stdexcept>

#include <orbsmf/Parser.h>

namespace Fixture {

namespace {

class Collector : public OrbSMF::Parsers::Hooks {
public:
    explicit Collector(ReadFile& file) : file_(file) {}

    void onHeaderChunk(const OrbSMF::SMFHeader& header) override {
        file_.format = header.format;
        file_.tracks = header.tracks;
        file_.division = header.division;
    }
    void onEndOfSMF() override {}
    void onBeginHeaderExtra(std::uint32_t) override {}
    void onEndHeaderExtra() override {}
    void onHeaderExtraBytes(const std::uint8_t*, std::uint32_t) override {}
    void onBeginTrackChunk(std::int32_t, std::uint32_t length) override {
        file_.chunks.emplace_back();
        file_.chunks.back().length = length;
    }
    void onEndTrackChunk(std::int32_t) override {}
    void onTrackEvent(std::int32_t, const OrbSMF::SMFEvent& event) override {
        ReadEvent read;
        read.delta = event.delta;
        read.status = event.status;
        read.metaType = event.metaType;
        read.data.assign(reinterpret_cast<const char*>(event.data), event.size);
        file_.chunks.back().events.push_back(std::move(read));
    }

private:
    ReadFile& file_;
};

} // namespace

ReadFile readBack(const Bytes& file) {
    ReadFile read;
    Collector collector(read);
    OrbSMF::Parser parser(collector);
    OrbSMF::ByteRange range{file.data(), static_cast<std::uint32_t>(file.size())};
    if (parser.feed(range)) {
        OrbSMF::ByteRange end;
        parser.feed(end); // throws: the file ends early
    }
    if (!range.empty()) throw std::runtime_error("bytes follow the last track chunk");
    return read;
}

} // namespace Fixture
