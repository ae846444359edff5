// Micro-benchmarks: the SMF parser alone and the whole VSQ reader, each with
// an empty receiver (the reader with both kinds of receiver), over a generated file held in memory and fed in
// 1024-byte ranges.  They report bytes of input per second.
#include <algorithm>
#include <cstdint>

#include <benchmark/benchmark.h>

#include <liedwerk/ParseVSQ.h>
#include <orbsmf/Parser.h>

#include "BenchVsq.h"

namespace {

constexpr std::uint64_t kFileBytes = 8 * 1024 * 1024;
constexpr std::uint32_t kRangeSize = 1024;

const Fixture::Bytes& benchFile() {
    static const Fixture::Bytes bytes = Bench::vsqInMemory(kFileBytes);
    return bytes;
}

class EmptySMFReceiver final : public OrbSMF::Parsers::Hooks {
public:
    void onHeaderChunk(const OrbSMF::SMFHeader&) override {}
    void onEndOfSMF() override { ended = true; }
    void onBeginHeaderExtra(std::uint32_t) override {}
    void onEndHeaderExtra() override {}
    void onHeaderExtraBytes(const std::uint8_t*, std::uint32_t) override {}
    void onBeginTrackChunk(std::int32_t, std::uint32_t) override {}
    void onEndTrackChunk(std::int32_t) override {}
    void onTrackEvent(std::int32_t, const OrbSMF::SMFEvent&) override {}

    bool ended = false;
};

class EmptyVSQReceiver final : public Liedwerk::ParseVSQs::Hooks {
public:
    void onHeader(std::int32_t, std::int32_t) override {}
    void onEndFile() override { ended = true; }
    void onBeginTempoMap() override {}
    void onEndTempoMap() override {}
    void onTempo(std::uint32_t, double) override {}
    void onTimeSignature(std::uint32_t, std::uint32_t, std::uint32_t) override {}
    void onBeginTrack(std::int32_t) override {}
    void onEndTrack(std::int32_t) override {}
    void onBeginSection(std::int32_t, const char*) override {}
    void onEndSection(std::int32_t, const char*) override {}
    void onField(std::int32_t, const char*, const char*, const char*) override {}

    bool ended = false;
};

// The tool's receiver, with lengths: runs of lines are taken whole.
class EmptyViewReceiver final : public Liedwerk::ParseVSQs::ViewHooks {
public:
    void onHeader(std::int32_t, std::int32_t) override {}
    void onEndFile() override { ended = true; }
    void onBeginTempoMap() override {}
    void onEndTempoMap() override {}
    void onTempo(std::uint32_t, double) override {}
    void onTimeSignature(std::uint32_t, std::uint32_t, std::uint32_t) override {}
    void onBeginTrack(std::int32_t) override {}
    void onEndTrack(std::int32_t) override {}
    void onBeginSection(std::int32_t, std::string_view) override {}
    void onEndSection(std::int32_t, std::string_view) override {}
    void onField(std::int32_t, std::string_view, std::string_view, std::string_view) override {}
    void onLines(std::int32_t, std::string_view, std::string_view lines) override { bytes += lines.size(); }

    bool ended = false;
    std::size_t bytes = 0;
};

// Feeds the whole file to a new parser per iteration, one range at a time.
template <class Parser, class Receiver>
void feedFile(benchmark::State& state) {
    const Fixture::Bytes& bytes = benchFile();
    for (auto _ : state) {
        Receiver receiver;
        Parser parser(receiver);
        std::size_t at = 0;
        bool wantsMore = true;
        while (wantsMore && at < bytes.size()) {
            OrbSMF::ByteRange range;
            range.cursor = bytes.data() + at;
            range.count = static_cast<std::uint32_t>(std::min<std::size_t>(kRangeSize, bytes.size() - at));
            at += range.count;
            wantsMore = parser.feed(range);
        }
        if (wantsMore || !receiver.ended) {
            state.SkipWithError("the parser did not end with the file");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}

void smfParser(benchmark::State& state) { feedFile<OrbSMF::Parser, EmptySMFReceiver>(state); }
void vsqReader(benchmark::State& state) { feedFile<Liedwerk::ParseVSQ, EmptyViewReceiver>(state); }
void vsqReaderTerminated(benchmark::State& state) { feedFile<Liedwerk::ParseVSQ, EmptyVSQReceiver>(state); }

} // namespace

BENCHMARK(smfParser)->Unit(benchmark::kMillisecond);
BENCHMARK(vsqReader)->Unit(benchmark::kMillisecond);
BENCHMARK(vsqReaderTerminated)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
