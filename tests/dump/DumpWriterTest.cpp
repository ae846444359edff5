// The dump writer: every event's lines, byte for byte.
#include <trillo/DumpWriter.h>

#include <cstdio>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

#include <trillo/Errors.h>

#include "Recorders.h"

namespace {

// Runs the events against a writer on a temporary stream; returns what was
// written, followed by the exception if one ended the events.
std::string dump(const std::function<void(Trillo::DumpWriter&)>& events) {
    OrbT::StringSink sink;
    std::string failure;
    {
        Trillo::DumpWriter writer(sink);
        try {
            events(writer);
        } catch (...) {
            failure = "<throws " + Fixture::exceptionName() + ">";
        }
        writer.flush();
    }
    return sink.text + failure;
}

TEST(DumpWriter, WorkedExample) {
    const std::string out = dump([](Trillo::DumpWriter& w) {
        w.onHeader(2, 480);
        w.onBeginTempoMap();
        w.onTempo(0, 120.0);
        w.onTimeSignature(0, 4, 4);
        w.onEndTempoMap();
        for (int track = 0; track < 2; ++track) {
            w.onBeginTrack(track);
            w.onBeginSection(track, "Alpha");
            w.onField(track, "Alpha", "Name", track == 0 ? "first voice" : "second voice");
            w.onField(track, "Alpha", "Level", track == 0 ? "64" : "70");
            w.onEndSection(track, "Alpha");
            w.onEndTrack(track);
        }
        w.onEndFile();
    });
    EXPECT_EQ(out, Fixture::kWorkedExampleDump);
}

TEST(DumpWriter, Lines) {
    struct Case {
        const char* name;
        std::function<void(Trillo::DumpWriter&)> events;
        const char* out;
    } cases[] = {
        {"an empty tempo map",
         [](Trillo::DumpWriter& w) {
             w.onHeader(1, 0);
             w.onBeginTempoMap();
             w.onEndTempoMap();
         },
         "[Master]\nNumVoices=1\nDivision=0\n[TempoMap]\n\n"},
        {"tempi and time signatures as they come",
         [](Trillo::DumpWriter& w) {
             w.onTempo(1920, 150.0);
             w.onTempo(0, 120.0);
             w.onTimeSignature(960, 3, 8);
             w.onTempo(4294967295u, 60000000.0 / 16777215);
             w.onTempo(7, 133.335);
             w.onTimeSignature(0, 255, 2147483648u);
         },
         "1920=Tempo:150.00\n0=Tempo:120.00\n960=Time:3/8:24:8\n4294967295=Tempo:3.58\n7=Tempo:133.34\n"
         "0=Time:255/2147483648:24:8\n"},
        {"a tempo that is not finite", [](Trillo::DumpWriter& w) { w.onTempo(0, 60000000.0 / 0.0); }, "0=Tempo:inf\n"},
        {"track headings count from 1",
         [](Trillo::DumpWriter& w) {
             w.onHeader(200, 480);
             for (int track : {0, 9, 99, 199}) {
                 w.onBeginTrack(track);
                 w.onBeginSection(track, "S");
                 w.onEndTrack(track);
             }
         },
         "[Track01]\n[S]\n\n[Track10]\n[S]\n\n[Track100]\n[S]\n\n[Track200]\n[S]\n"},
        {"two sections, values as they stand",
         [](Trillo::DumpWriter& w) {
             w.onHeader(1, 480);
             w.onBeginTrack(0);
             w.onBeginSection(0, "A B");
             w.onField(0, "A B", "k", "a = [b] c");
             w.onField(0, "A B", "empty", "");
             w.onEndSection(0, "A B");
             w.onBeginSection(0, "[B");
             w.onField(0, "[B", " K ", "=\r");
             w.onEndSection(0, "[B");
             w.onEndTrack(0);
             w.onEndFile();
         },
         "[Track01]\n[A B]\nk=a = [b] c\nempty=\n[[B]\n K ==\r\n"},
        {"a voice track without a section",
         [](Trillo::DumpWriter& w) {
             w.onHeader(2, 480);
             w.onBeginTrack(0);
             w.onBeginSection(0, "S");
             w.onEndTrack(0);
             w.onBeginTrack(1);
             w.onEndTrack(1);
         },
         "[Track01]\n[S]\n\n[Track02]\n<throws NoText>"},
    };
    for (const Case& c : cases) EXPECT_EQ(dump(c.events), c.out) << c.name;
}

// The writer's buffer goes out on flush, and a failing sink throws there.
TEST(DumpWriter, AFailingSinkThrowsAtFlush) {
    struct FailingSink final : OrbT::ByteSink {
        void write(const char*, std::size_t) override { throw OrbT::Ex::CannotWriteFile(); }
    } sink;
    Trillo::DumpWriter writer(sink);
    writer.onHeader(1, 480);
    writer.onBeginTempoMap();
    EXPECT_THROW(writer.flush(), OrbT::Ex::CannotWriteFile);
    EXPECT_NO_THROW(writer.flush()); // the failed bytes are not tried again
}

} // namespace
