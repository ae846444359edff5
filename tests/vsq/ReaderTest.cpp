// The VSQ reader: header rules, the tempo map, voice tracks end to end.
#include <liedwerk/ParseVSQ.h>

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

#include "Splits.h"

namespace {

using namespace Fixture;

// The calls under every cut; the receiver with lengths must see the same
// calls as the one with terminated strings.
std::string read(const Bytes& input) {
    const std::string log = logOfEverySplit<Liedwerk::ParseVSQ, VSQRecorder>(input);
    const std::string viewLog = logOfEverySplit<Liedwerk::ParseVSQ, VSQViewRecorder>(input);
    EXPECT_EQ(viewLog, log);
    return log;
}

Bytes file(const std::vector<Track>& tracks, Header header = {}) { return smf(header, tracks); }

Track voice(const std::string& text) { return dmTrack(text); }

TEST(VSQReader, WorkedExample) {
    EXPECT_EQ(read(workedExample()), "header voices=2 division=480\n"
                                     "begin tempo map\n"
                                     "tempo 0 120.000000\n"
                                     "time 0 4/4\n"
                                     "end tempo map\n"
                                     "begin track 0\n"
                                     "begin section 0 Alpha\n"
                                     "field 0 Alpha Name=first voice\n"
                                     "field 0 Alpha Level=64\n"
                                     "end section 0 Alpha\n"
                                     "end track 0\n"
                                     "begin track 1\n"
                                     "begin section 1 Alpha\n"
                                     "field 1 Alpha Name=second voice\n"
                                     "field 1 Alpha Level=70\n"
                                     "end section 1 Alpha\n"
                                     "end track 1\n"
                                     "end file\n"
                                     "done rest=0\n");
}

TEST(VSQReader, HeaderRules) {
    auto header = [](std::uint16_t format, std::uint16_t tracks, std::uint16_t division, Bytes extra = {}) {
        Header h;
        h.format = format;
        h.tracks = tracks;
        h.division = division;
        h.extra = std::move(extra);
        return h;
    };
    const std::vector<Track> two = {Track(), Track()};
    const std::string twoEmpty = "begin tempo map\nend tempo map\nbegin track 0\nend track 0\nend file\ndone rest=0\n";
    struct Case {
        const char* name;
        Header header;
        std::string log;
    } cases[] = {
        {"format 0", header(0, 1, 0xE250), "throws IllegalSMFFormat\n"},
        {"format 2", header(2, 2, 480), "throws IllegalSMFFormat\n"},
        {"one track", header(1, 1, 0xE250), "throws TooFewTracks\n"},
        {"no track", header(1, 0, 480), "throws TooFewTracks\n"},
        {"SMPTE division", header(1, 2, 0xE250), "throws DivisionNotSupported\n"},
        {"largest division", header(1, 2, 0x7FFF), "header voices=1 division=32767\n" + twoEmpty},
        {"division 0", header(1, 2, 0), "header voices=1 division=0\n" + twoEmpty},
        {"extra header bytes are skipped", header(1, 2, 480, {1, 2, 3, 4}),
         "header voices=1 division=480\n" + twoEmpty},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(read(file(two, c.header)), c.log);
    }
}

std::string tempoMap(const Track& master) {
    const std::string log = read(file({master, voice("[S]\n")}));
    const auto begin = log.find("begin tempo map\n");
    const auto end = log.find("end tempo map\n");
    if (begin == std::string::npos || end == std::string::npos) return log;
    return log.substr(begin + 16, end - begin - 16);
}

TEST(VSQReader, TempoMap) {
    struct Case {
        const char* name;
        Track master;
        const char* events;
    } cases[] = {
        {"tempi", Track().tempo(0, 500000).tempo(1920, 400000).tempo(0, 1000000),
         "tempo 0 120.000000\ntempo 1920 150.000000\ntempo 1920 60.000000\n"},
        {"a tempo of 0 is infinite", Track().tempo(0, 0), "tempo 0 inf\n"},
        {"time signatures", Track().timeSignature(960, 3, 3).timeSignature(0, 6, 3).timeSignature(0, 255, 33),
         "time 960 3/8\ntime 960 6/8\ntime 960 255/2\n"},
        {"every event counts toward the tick",
         Track().note(10, 60).tempo(0, 500000).timeSignature(5, 4, 2).text(7, "x").sysex(1, "").tempo(2, 500000),
         "tempo 10 120.000000\ntime 15 4/4\ntempo 25 120.000000\n"},
        {"the tick wraps",
         Track()
             .note(0x0FFFFFFF, 1)
             .note(0x0FFFFFFF, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .running(0x0FFFFFFF, 1, 1)
             .tempo(0x21, 500000),
         "tempo 17 120.000000\n"},
        {"other meta events and a text are ignored", Track().text(0, "DM:0:[S]\n").meta(0, 0x03, "name"), ""},
        {"too short to hold their data: ignored, their delta counts",
         Track().meta(3, 0x51, "\x07\xA1").meta(4, 0x58, "\x04").tempo(0, 500000).meta(1, 0x58, "\x03\x03"),
         "tempo 7 120.000000\ntime 8 3/8\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tempoMap(c.master), c.events);
    }
}

TEST(VSQReader, VoiceTracks) {
    const Track master = Track().endOfTrack();
    struct Case {
        const char* name;
        Track voice;
        const char* log;
    } cases[] = {
        {"no events", Track(), "begin track 0\nend track 0\n"},
        {"no text events", Track().note(0, 60).tempo(0, 500000).endOfTrack(), "begin track 0\nend track 0\n"},
        {"sections", voice("[A]\nk=1\n[B]\nm=2\n"),
         "begin track 0\nbegin section 0 A\nfield 0 A k=1\nend section 0 A\nbegin section 0 B\n"
         "field 0 B m=2\nend section 0 B\nend track 0\n"},
        {"the last line without a newline", voice("[A]\nk=1\n[B]\nm=2"),
         "begin track 0\nbegin section 0 A\nfield 0 A k=1\nend section 0 A\nbegin section 0 B\n"
         "field 0 B m=2\nend section 0 B\nend track 0\n"},
        {"texts that are not frames are skipped",
         Track().text(0, "DM:0:[A]\nk=").text(0, "hello").meta(0, 0x02, "DM:1:x").text(0, "DM:1:1\n"),
         "begin track 0\nbegin section 0 A\nfield 0 A k=1\nend section 0 A\nend track 0\n"},
        {"texts with a number field of another form and no payload are skipped",
         Track()
             .text(0, "DM:+0:")
             .text(0, "DM:-0:")
             .text(0, "DM: 0:")
             .text(0, std::string_view("DM:+0:\0[B]\n", 10))
             .text(0, "DM:0:[A]\nk=v\n")
             .text(0, "DM:+1:"),
         "begin track 0\nbegin section 0 A\nfield 0 A k=v\nend section 0 A\nend track 0\n"},
        {"frames 1, 0", Track().text(0, "DM:1:k=1\n").text(0, "DM:0:[A]\n"),
         "begin track 0\nbegin section 0 A\nfield 0 A k=1\nend section 0 A\nend track 0\n"},
        {"a held frame at the end: the last line first, then the failure",
         Track().text(0, "DM:0:[A]\nk=1").text(0, "DM:2:x"),
         "begin track 0\nbegin section 0 A\nfield 0 A k=1\nthrows LackedDMFrame\n"},
        {"a duplicated frame", Track().text(0, "DM:0:[A]\n").text(0, "DM:0:[A]\n"),
         "begin track 0\nbegin section 0 A\nthrows DuplicatedDMFrame\n"},
        {"a malformed line", voice("[A]\nk\n"), "begin track 0\nbegin section 0 A\nthrows MalformedField\n"},
        {"a text ends at its first 0 byte",
         Track()
             .text(0, std::string_view("DM:0:[A]\nk=1\0garbage\n[B", 23))
             .text(0, std::string_view("DM:1:\0", 6))
             .text(0, "DM:1:\n"),
         "begin track 0\nbegin section 0 A\nfield 0 A k=1\nend section 0 A\nend track 0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string log = read(file({master, c.voice}));
        const std::string head = "header voices=1 division=480\nbegin tempo map\nend tempo map\n";
        const bool failed = std::string(c.log).find("throws") != std::string::npos;
        EXPECT_EQ(log, head + c.log + (failed ? "" : "end file\ndone rest=0\n"));
    }
}

TEST(VSQReader, SectionsDoNotCarryIntoTheNextTrack) {
    EXPECT_EQ(read(file({Track(), voice("[A]\nk=1\n"), voice("k=2\n")})),
              "header voices=2 division=480\nbegin tempo map\nend tempo map\n"
              "begin track 0\nbegin section 0 A\nfield 0 A k=1\nend section 0 A\nend track 0\n"
              "begin track 1\nthrows SectionIdentifierLacked\n");
    // Frame numbers restart too, and a line cut at a track's end stays there.
    EXPECT_EQ(read(file({Track(), Track().text(0, "DM:0:[A]\nk=1"), Track().text(0, "DM:0:[B]\n")})),
              "header voices=2 division=480\nbegin tempo map\nend tempo map\n"
              "begin track 0\nbegin section 0 A\nfield 0 A k=1\nend section 0 A\nend track 0\n"
              "begin track 1\nbegin section 1 B\nend section 1 B\nend track 1\nend file\ndone rest=0\n");
}

// Frames in any order give the calls of the frames in order.
TEST(VSQReader, ShuffledFramesGiveTheSameCalls) {
    std::string text;
    for (int section = 0; section < 8; ++section) {
        text += "[Section" + std::to_string(section) + "]\n";
        for (int field = 0; field < 12; ++field)
            text += "Key" + std::to_string(field) + "=value " + std::to_string(section * field) + "\n";
    }
    const std::size_t frames = dmFrames(text, 40).size();
    const std::string inOrder = read(file({Track(), dmTrack(text, 40)}));
    std::mt19937 random(7);
    for (int round = 0; round < 5; ++round) {
        std::vector<std::size_t> order(frames);
        for (std::size_t i = 0; i < frames; ++i) order[i] = i;
        std::shuffle(order.begin(), order.end(), random);
        const Bytes shuffled = file({Track(), dmTrack(text, 40, order)});
        EXPECT_EQ(read(shuffled), inOrder);
    }
}

TEST(VSQReader, FeedAfterTheEndConsumesNothing) {
    VSQRecorder recorder;
    Liedwerk::ParseVSQ reader(recorder);
    const Bytes input = concat({workedExample(), bytesOf("MThd")});
    OrbSMF::ByteRange range{input.data(), static_cast<std::uint32_t>(input.size())};
    EXPECT_FALSE(reader.feed(range));
    EXPECT_EQ(range.count, 4u);
    const std::string log = recorder.log;
    EXPECT_FALSE(reader.feed(range));
    EXPECT_EQ(range.count, 4u);
    EXPECT_EQ(recorder.log, log);
}

TEST(VSQReader, ReceiverExceptionsPassThroughUnchanged) {
    struct Stop {};
    struct Throwing : VSQRecorder {
        void onField(std::int32_t track, const char* s, const char* k, const char* v) override {
            VSQRecorder::onField(track, s, k, v);
            throw Stop();
        }
    } recorder;
    Liedwerk::ParseVSQ reader(recorder);
    const Bytes input = workedExample();
    OrbSMF::ByteRange range{input.data(), static_cast<std::uint32_t>(input.size())};
    EXPECT_THROW(reader.feed(range), Stop);
    const std::string last = "begin section 0 Alpha\nfield 0 Alpha Name=first voice\n";
    ASSERT_GE(recorder.log.size(), last.size());
    EXPECT_EQ(recorder.log.substr(recorder.log.size() - last.size()), last); // nothing after the throw
}

} // namespace
