// The read loop that every front end uses: whatever the pieces, the same
// dump; nothing may follow the SMF; an input that ends early fails.
#include <trillo/ReadLoop.h>

#include <gtest/gtest.h>

#include <trillo/DumpWriter.h>

#include "Recorders.h"
#include "Splits.h"

namespace {

using Fixture::Bytes;

// The dump of input fed in the pieces that cuts make (with an empty piece
// between any two), then the end of the input; the exception, if one ends it.
std::string dumpInPieces(const Bytes& input, const std::vector<std::size_t>& cuts) {
    OrbT::StringSink sink;
    Trillo::DumpWriter writer(sink);
    std::string outcome;
    try {
        Trillo::ReadLoop loop(writer);
        std::size_t from = 0;
        for (std::size_t to : cuts) {
            loop.feed(input.data() + from, to - from);
            loop.feed(input.data() + to, 0);
            from = to;
        }
        loop.feed(input.data() + from, input.size() - from);
        loop.finish();
    } catch (...) {
        outcome = "<throws " + Fixture::exceptionName() + ">";
    }
    writer.flush();
    return sink.text + outcome;
}

std::string dumpOfEverySplit(const Bytes& input) {
    const std::string whole = dumpInPieces(input, {});
    for (const auto& cuts : Fixture::splitsOf(input.size(), 256, 10)) {
        EXPECT_EQ(dumpInPieces(input, cuts), whole) << Fixture::describeCuts(cuts);
        if (::testing::Test::HasFailure()) break;
    }
    return whole;
}

TEST(ReadLoop, PiecesChangeNothing) {
    EXPECT_EQ(dumpOfEverySplit(Fixture::workedExample()), Fixture::kWorkedExampleDump);
}

// A byte after the SMF, in the piece that ends it or in any later one.
TEST(ReadLoop, TrailingBytes) {
    const Bytes file = Fixture::workedExample();
    EXPECT_EQ(dumpOfEverySplit(Fixture::concat({file, {0x00}})),
              std::string(Fixture::kWorkedExampleDump) + "<throws TrailingBytes>");
    EXPECT_EQ(dumpOfEverySplit(Fixture::concat({file, file})),
              std::string(Fixture::kWorkedExampleDump) + "<throws TrailingBytes>");
}

TEST(ReadLoop, AnInputThatEndsEarly) {
    const Bytes file = Fixture::workedExample();
    EXPECT_EQ(dumpOfEverySplit(Bytes()), "<throws UnexpectedFileEnd>");
    const std::string cut = dumpOfEverySplit(Bytes(file.begin(), file.end() - 1));
    EXPECT_NE(cut.find("<throws UnexpectedFileEnd>"), std::string::npos) << cut;
}

// A source in the file source's shape that serves the given blocks, then
// the end; it counts its reads.
struct Blocks {
    std::vector<Bytes> blocks;
    std::size_t reads = 0;
    OrbT::ByteRange range;

    void fill() {
        if (!range.empty()) return;
        if (reads < blocks.size()) range = {blocks[reads].data(), static_cast<std::uint32_t>(blocks[reads].size())};
        ++reads;
    }
};

// The tool's loop reads one block after the SMF, and no more.
TEST(ReadLoop, ReadAllReadsOneBlockMore) {
    const Bytes file = Fixture::workedExample();
    struct Case {
        std::vector<Bytes> blocks;
        const char* outcome;
        std::size_t reads;
    } cases[] = {
        {{file}, "", 2},
        {{file, {}}, "", 2},
        {{file, {0x4D}, {0x4D}}, "<throws TrailingBytes>", 2},
        {{Fixture::concat({file, {0x4D}})}, "<throws TrailingBytes>", 1},
        {{Bytes(file.begin(), file.begin() + 20), Bytes(file.begin() + 20, file.end()), {}}, "", 3},
    };
    for (Case& c : cases) {
        Blocks source{c.blocks, 0, {}};
        OrbT::StringSink sink;
        Trillo::DumpWriter writer(sink);
        std::string outcome;
        try {
            Trillo::readAll(source, writer);
        } catch (...) {
            outcome = "<throws " + Fixture::exceptionName() + ">";
        }
        writer.flush();
        EXPECT_EQ(sink.text, Fixture::kWorkedExampleDump);
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(source.reads, c.reads);
    }
}

// A voice track without any section is a fault of every front end's.
TEST(ReadLoop, SectionRule) {
    Trillo::SectionRule rule;
    rule.beginTrack();
    EXPECT_THROW(rule.endTrack(), Trillo::Ex::NoText);
    rule.section();
    EXPECT_NO_THROW(rule.endTrack());
    rule.beginTrack();
    EXPECT_THROW(rule.endTrack(), Trillo::Ex::NoText);
}

} // namespace
