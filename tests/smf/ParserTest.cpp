// The chunk structure: header chunk, track chunk headers, end of input.
#include <orbsmf/Parser.h>

#include <algorithm>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "Splits.h"

namespace {

using namespace Fixture;

std::string parse(const Bytes& input) { return logOfEverySplit<OrbSMF::Parser, SMFRecorder>(input); }

Bytes header(std::uint16_t tracks, Bytes extra = {}) {
    Header h;
    h.tracks = tracks;
    h.extra = std::move(extra);
    return headerChunk(h, 0);
}

Bytes withoutLast(Bytes bytes) {
    bytes.pop_back();
    return bytes;
}

TEST(SMFChunks, HeaderAndTwoTracks) {
    Header h;
    h.format = 0; // the parser does not judge the format, count or division
    h.division = 0xE250;
    EXPECT_EQ(parse(smf(h, {Track().endOfTrack(), Track()})),
              "header format=0 tracks=2 division=57936 length=6 extra=0\n"
              "track 0 begin length=4\n"
              "track 0 Meta delta=0 length=4 [FF 2F 00 00]\n"
              "track 0 end\n"
              "track 1 begin length=0\n"
              "track 1 end\n"
              "end of SMF\n"
              "done rest=0\n");
}

TEST(SMFChunks, ZeroTracksEndsRightAfterTheHeader) {
    EXPECT_EQ(parse(header(0)), "header format=1 tracks=0 division=480 length=6 extra=0\n"
                                "end of SMF\n"
                                "done rest=0\n");
    EXPECT_EQ(parse(header(0, {1, 2})), "header format=1 tracks=0 division=480 length=8 extra=2\n"
                                        "extra begin 2\n"
                                        "extra bytes [01 02]\n"
                                        "extra end\n"
                                        "end of SMF\n"
                                        "done rest=0\n");
}

TEST(SMFChunks, ExtraHeaderBytesArePassedOnAsTheRangesHoldThem) {
    const Bytes input = concat({header(1, {0xA, 0xB, 0xC, 0xD}), Track().chunk()});
    struct Case {
        std::vector<std::size_t> cuts;
        const char* calls;
    } cases[] = {
        {{}, "extra bytes [0A 0B 0C 0D]\n"}, // one range: one call
        // The range ends right after the division word: a call with no bytes first.
        {{14, 15, 17}, "extra bytes []\nextra bytes [0A]\nextra bytes [0B 0C]\nextra bytes [0D]\n"},
        {{16}, "extra bytes [0A 0B]\nextra bytes [0C 0D]\n"},
        {{10}, "extra bytes [0A 0B 0C 0D]\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(describeCuts(c.cuts));
        struct SplitRecorder : SMFRecorder {
            SplitRecorder() : SMFRecorder(true) {}
        };
        const std::string log = feedPieces<OrbSMF::Parser, SplitRecorder>(input, c.cuts);
        EXPECT_EQ(log, std::string("header format=1 tracks=1 division=480 length=10 extra=4\n"
                                   "extra begin 4\n") +
                           c.calls +
                           "extra end\n"
                           "track 0 begin length=0\n"
                           "track 0 end\n"
                           "end of SMF\n"
                           "done rest=0\n");
    }
}

TEST(SMFChunks, BrokenChunkHeaders) {
    Header shortHeader;
    shortHeader.length = 5;
    Header wrongMagic;
    wrongMagic.magic = "MTrk";
    Header wrongMagicAndShort = wrongMagic;
    wrongMagicAndShort.length = 2;
    struct Case {
        const char* name;
        Bytes input;
        const char* log;
    } cases[] = {
        {"empty input", {}, "throws UnexpectedFileEnd\n"},
        {"header length 5", smf(shortHeader, {}), "throws TooShortHeader\n"},
        {"first chunk not MThd", smf(wrongMagic, {}), "throws IllegalMagic\n"},
        {"type tested before length", smf(wrongMagicAndShort, {}), "throws IllegalMagic\n"},
        {"cut inside the chunk header", bytesOf("MThd\0\0"), "throws UnexpectedFileEnd\n"},
        {"cut inside the header data", withoutLast(header(2)), "throws UnexpectedFileEnd\n"},
        {"cut inside the extra bytes", withoutLast(header(2, {1, 2, 3})),
         "header format=1 tracks=2 division=480 length=9 extra=3\nextra begin 3\n"
         "throws UnexpectedFileEnd\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parse(c.input), c.log);
    }
}

TEST(SMFChunks, TrackCountDecidesWhereTheSMFEnds) {
    const Bytes three = concat({Track().chunk(), Track().note(0, 60).chunk(), Track().chunk()});
    // Two announced, three there: the third chunk's bytes are left over.
    EXPECT_EQ(parse(concat({header(2), three})),
              "header format=1 tracks=2 division=480 length=6 extra=0\n"
              "track 0 begin length=0\ntrack 0 end\n"
              "track 1 begin length=4\ntrack 1 Channel delta=0 length=3 [90 3C 40]\ntrack 1 end\n"
              "end of SMF\n"
              "done rest=8\n");
    // Three announced, two there.
    EXPECT_EQ(parse(concat({header(3), Track().chunk(), Track().chunk()})),
              "header format=1 tracks=3 division=480 length=6 extra=0\n"
              "track 0 begin length=0\ntrack 0 end\n"
              "track 1 begin length=0\ntrack 1 end\n"
              "throws UnexpectedFileEnd\n");
    // Every chunk after the header must be a track.
    EXPECT_EQ(parse(concat({header(3), Track().chunk(), Track().magic("XFIH").chunk(), Track().chunk()})),
              "header format=1 tracks=3 division=480 length=6 extra=0\n"
              "track 0 begin length=0\ntrack 0 end\n"
              "throws IllegalMagic\n");
}

TEST(SMFChunks, FeedAfterTheEndConsumesNothing) {
    SMFRecorder recorder;
    OrbSMF::Parser parser(recorder);
    const Bytes input = concat({header(1), Track().chunk(), bytesOf("tail")});
    OrbSMF::ByteRange range{input.data(), static_cast<std::uint32_t>(input.size())};
    EXPECT_FALSE(parser.feed(range));
    EXPECT_EQ(range.count, 4u);
    EXPECT_EQ(range.cursor, input.data() + input.size() - 4);
    const std::string log = recorder.log;
    EXPECT_FALSE(parser.feed(range));
    EXPECT_EQ(range.count, 4u);
    OrbSMF::ByteRange empty{};
    EXPECT_FALSE(parser.feed(empty)); // finished: the end of input is no error
    EXPECT_EQ(recorder.log, log);
}

// A receiver that throws at a chosen call stops the parse with its exception.
TEST(SMFChunks, ReceiverExceptionsPassThroughUnchanged) {
    struct Stop {};
    struct Throwing : SMFRecorder {
        void onBeginTrackChunk(std::int32_t track, std::uint32_t length) override {
            SMFRecorder::onBeginTrackChunk(track, length);
            if (track == 1) throw Stop();
        }
    } recorder;
    OrbSMF::Parser parser(recorder);
    const Bytes input = concat({header(3), Track().chunk(), Track().note(0, 1).chunk(), Track().chunk()});
    OrbSMF::ByteRange range{input.data(), static_cast<std::uint32_t>(input.size())};
    EXPECT_THROW(parser.feed(range), Stop);
    EXPECT_EQ(recorder.log, "header format=1 tracks=3 division=480 length=6 extra=0\n"
                            "track 0 begin length=0\ntrack 0 end\n"
                            "track 1 begin length=4\n");
}

// After an exception, the parser's own or a receiver's, every later feed
// throws the same type again: a parse that has failed stays failed.
TEST(SMFChunks, AnExceptionEndsTheParseForGood) {
    struct Stop {};
    struct StopAtTrack1 : SMFRecorder {
        void onBeginTrackChunk(std::int32_t track, std::uint32_t length) override {
            if (track == 1) throw Stop();
            SMFRecorder::onBeginTrackChunk(track, length);
        }
    };
    const Bytes good = concat({header(2), Track().chunk(), Track().chunk()});
    const Bytes bad = concat({header(1), Bytes{'M', 'T', 'r', 'x', 0, 0, 0, 0}});
    auto feedAll = [](OrbSMF::Parser& parser, const Bytes& input) {
        OrbSMF::ByteRange range{input.data(), static_cast<std::uint32_t>(input.size())};
        return parser.feed(range);
    };
    {
        SMFRecorder recorder;
        OrbSMF::Parser parser(recorder);
        EXPECT_THROW(feedAll(parser, bad), OrbSMF::Ex::IllegalMagic);
        EXPECT_THROW(feedAll(parser, good), OrbSMF::Ex::IllegalMagic);
        OrbSMF::ByteRange empty{};
        EXPECT_THROW(parser.feed(empty), OrbSMF::Ex::IllegalMagic);
    }
    {
        StopAtTrack1 recorder;
        OrbSMF::Parser parser(recorder);
        EXPECT_THROW(feedAll(parser, good), Stop);
        const std::string log = recorder.log;
        EXPECT_THROW(feedAll(parser, good), Stop);
        EXPECT_EQ(recorder.log, log); // and makes no further call
    }
    {
        SMFRecorder recorder;
        OrbSMF::Parser parser(recorder);
        OrbSMF::ByteRange empty{};
        EXPECT_THROW(parser.feed(empty), OrbSMF::Ex::UnexpectedFileEnd);
        EXPECT_THROW(feedAll(parser, good), OrbSMF::Ex::UnexpectedFileEnd);
    }
}

// An event that lies whole in the range being fed is reported where it lies;
// one that straddles two ranges is put together and reported from the
// parser's storage.  The bytes are the same either way (the split tests).
TEST(SMFChunks, EventsAreReportedWhereTheyLie) {
    struct Where : OrbSMF::Parsers::Hooks {
        void onHeaderChunk(const OrbSMF::SMFHeader&) override {}
        void onEndOfSMF() override {}
        void onBeginHeaderExtra(std::uint32_t) override {}
        void onEndHeaderExtra() override {}
        void onHeaderExtraBytes(const std::uint8_t*, std::uint32_t) override {}
        void onBeginTrackChunk(std::int32_t, std::uint32_t) override {}
        void onEndTrackChunk(std::int32_t) override {}
        void onTrackEvent(std::int32_t, const OrbSMF::SMFEvent& e) override {
            inRange.push_back(e.data >= begin && e.data + e.size <= end);
        }
        const std::uint8_t* begin = nullptr; // the range being fed
        const std::uint8_t* end = nullptr;
        std::vector<bool> inRange;
    };
    const std::string text(100, 't');
    const Bytes input = smf(Header(), {Track().text(0, text).note(0, 60).sysex(0, "abc")});
    const std::size_t textData =
        static_cast<std::size_t>(std::search(input.begin(), input.end(), text.begin(), text.end()) - input.begin());
    // Whole: every event in place.  Cut halfway into the text: that event
    // straddles, the other two lie in the second range.
    for (const auto& [cut, expected] :
         {std::pair<std::size_t, std::vector<bool>>{0, {true, true, true}}, {textData + 50, {false, true, true}}}) {
        Where where;
        OrbSMF::Parser parser(where);
        std::size_t at = 0;
        for (std::size_t end : {cut, input.size()}) {
            if (end <= at) continue;
            OrbSMF::ByteRange range{input.data() + at, static_cast<std::uint32_t>(end - at)};
            where.begin = range.cursor;
            where.end = range.cursor + range.count;
            parser.feed(range);
            at = end;
        }
        EXPECT_EQ(where.inRange, expected) << "cut at " << cut;
    }
}

} // namespace
