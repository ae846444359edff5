// Liedwerk::WriteVSQ: the file it writes, read back with our own parser and
// our own reader; the problems it finds before writing.
#include <liedwerk/WriteVSQ.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <set>

#include <gtest/gtest.h>
#include <liedwerk/ParseVSQ.h>

#include "ReadBack.h"

namespace {

using namespace Fixture;
using Liedwerk::WriteVSQ;
using Liedwerk::WriteVSQs::Content;
using Liedwerk::WriteVSQs::Problem;
using Liedwerk::WriteVSQs::TempoEvent;

Bytes write(const Content& content) {
    const WriteVSQ writer(content);
    EXPECT_EQ(writer.problem().kind, Problem::None) << Liedwerk::WriteVSQs::describe(writer.problem().kind);
    OrbT::StringSink sink;
    writer.write(sink);
    EXPECT_EQ(writer.size(), sink.text.size());
    return bytesOf(sink.text);
}

// What our reader reports, gathered back into a content: tempos as
// quarter notes per minute, texts rebuilt from sections and fields.
struct ReadContent : Liedwerk::ParseVSQs::ViewHooks {
    void onHeader(std::int32_t voiceCount, std::int32_t divisionRead) override {
        voices.resize(static_cast<std::size_t>(voiceCount));
        division = divisionRead;
    }
    void onEndFile() override {}
    void onBeginTempoMap() override {}
    void onEndTempoMap() override {}
    void onTempo(std::uint32_t tick, double tempo) override { tempi.emplace_back(tick, tempo); }
    void onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) override {
        char line[64];
        std::snprintf(line, sizeof line, "%u %u/%u", tick, numerator, denominator);
        times.push_back(line);
    }
    void onBeginTrack(std::int32_t) override {}
    void onEndTrack(std::int32_t) override {}
    void onBeginSection(std::int32_t track, std::string_view name) override {
        voices.at(static_cast<std::size_t>(track)) += "[" + std::string(name) + "]\n";
    }
    void onEndSection(std::int32_t, std::string_view) override {}
    void onField(std::int32_t track, std::string_view, std::string_view key, std::string_view value) override {
        voices.at(static_cast<std::size_t>(track)) += std::string(key) + "=" + std::string(value) + "\n";
    }

    std::int32_t division = -1;
    std::vector<std::pair<std::uint32_t, double>> tempi;
    std::vector<std::string> times;
    std::vector<std::string> voices;
};

ReadContent readContent(const Bytes& file) {
    ReadContent read;
    Liedwerk::ParseVSQ reader(read);
    OrbT::ByteRange range{file.data(), static_cast<std::uint32_t>(file.size())};
    EXPECT_FALSE(reader.feed(range));
    EXPECT_TRUE(range.empty());
    return read;
}

// The file reads back as the content it was written from.
void expectSameContent(const Content& content) {
    const ReadContent read = readContent(write(content));
    EXPECT_EQ(read.division, content.division);
    std::vector<std::pair<std::uint32_t, double>> tempi;
    std::vector<std::string> times;
    for (const TempoEvent& e : content.tempoMap) {
        if (e.kind == TempoEvent::Tempo) {
            const std::uint32_t m = e.microsecondsPerQuarter;
            tempi.emplace_back(e.tick, m == 0 ? HUGE_VAL : 60000000.0 / m);
        } else {
            times.push_back(std::to_string(e.tick) + " " + std::to_string(e.numerator) + "/" +
                            std::to_string(e.denominator));
        }
    }
    EXPECT_EQ(read.tempi, tempi);
    EXPECT_EQ(read.times, times);
    ASSERT_EQ(read.voices.size(), content.voices.size());
    for (std::size_t i = 0; i < content.voices.size(); ++i) {
        std::string text(content.voices[i]);
        if (text.back() != '\n') text += '\n';
        EXPECT_EQ(read.voices[i], text) << "voice " << i;
    }
}

// A text of exactly size bytes (size 4 or at least 7): a section line, then
// field lines of 40 bytes and a last one of what is left.
std::string textOfSize(std::size_t size) {
    std::string text = "[S]\n";
    while (size - text.size() > 45) text += "k=" + std::string(37, 'v') + "\n";
    if (size > text.size()) text += "k=" + std::string(size - text.size() - 3, 'v') + "\n";
    return text;
}

// Checks one voice track chunk as read back: DM frames numbered from 0 with
// at least four digits, each event's data at most 127 bytes and every frame
// but the last full, all at delta 0, then End of Track; the payloads joined
// are the text.
void expectFrames(const ReadTrack& track, const std::string& text) {
    std::string joined;
    ASSERT_FALSE(track.events.empty());
    const std::size_t frames = track.events.size() - 1;
    for (std::size_t number = 0; number < frames; ++number) {
        const ReadEvent& event = track.events[number];
        char head[32];
        const int headSize = std::snprintf(head, sizeof head, "DM:%04zu:", number);
        ASSERT_EQ(event.metaType, 0x01) << "frame " << number;
        ASSERT_EQ(event.delta, 0u);
        ASSERT_EQ(event.data.substr(0, static_cast<std::size_t>(headSize)), head);
        ASSERT_LE(event.data.size(), 127u);
        if (number + 1 < frames) {
            ASSERT_EQ(event.data.size(), 127u) << "frame " << number << " is not full";
        }
        ASSERT_GT(event.data.size(), static_cast<std::size_t>(headSize));
        joined += event.data.substr(static_cast<std::size_t>(headSize));
    }
    EXPECT_EQ(joined, text);
    EXPECT_EQ(track.events.back().metaType, 0x2F);
    EXPECT_EQ(track.events.back().data, "");
}

// Sizes at the edges of one frame (119 bytes of text), of the four-digit
// frame numbers (10000 frames) and beyond.
TEST(WriteVSQ, TextsCutIntoFrames) {
    for (std::size_t size : {4, 118, 119, 120, 238, 239, 240, 1000, 10000 * 119 - 1, 10000 * 119, 10000 * 119 + 1,
                             10000 * 119 + 118 * 3 + 7}) {
        SCOPED_TRACE(size);
        const std::string text = textOfSize(size);
        ASSERT_EQ(text.size(), size);
        Content content;
        content.voices = {text, "[T]\n"};
        const Bytes file = write(content);
        const ReadFile read = readBack(file);
        ASSERT_EQ(read.chunks.size(), 3u);
        expectFrames(read.chunks[1], text);
        expectFrames(read.chunks[2], "[T]\n");
        expectSameContent(content);
    }
}

TEST(WriteVSQ, Header) {
    for (std::int32_t division : {0, 1, 480, 32767}) {
        for (std::size_t voices : {1, 2, 99, 100, 65534}) {
            SCOPED_TRACE(std::to_string(division) + " " + std::to_string(voices));
            Content content;
            content.division = division;
            content.voices.assign(voices, "[S]\nk=v");
            const ReadFile read = readBack(write(content));
            EXPECT_EQ(read.format, 1);
            EXPECT_EQ(read.tracks, voices + 1);
            EXPECT_EQ(read.division, division);
            EXPECT_EQ(read.chunks.size(), voices + 1);
            if (voices < 1000) expectSameContent(content);
        }
    }
}

// Delta times between the ticks, also across the wrap of 2^32, and the
// events' bytes.
TEST(WriteVSQ, TempoMap) {
    struct Expected {
        std::uint32_t delta;
        std::uint8_t type;
        std::string data;
    };
    Content content;
    content.voices = {"[S]\n"};
    std::vector<Expected> expected;
    const auto add = [&](TempoEvent event, std::uint32_t delta, std::uint8_t type, std::string data) {
        content.tempoMap.push_back(event);
        expected.push_back({delta, type, std::move(data)});
    };
    add(TempoEvent::timeSignature(0, 4, 4), 0, 0x58, std::string("\x04\x02\x18\x08", 4));
    add(TempoEvent::tempo(0, 500000), 0, 0x51, std::string("\x07\xA1\x20", 3));
    add(TempoEvent::tempo(0x0FFFFFFF, 0), 0x0FFFFFFF, 0x51, std::string("\x00\x00\x00", 3));
    add(TempoEvent::tempo(0x0FFFFFFF, 0xFFFFFF), 0, 0x51, std::string("\xFF\xFF\xFF", 3));
    add(TempoEvent::timeSignature(0x0FFFFFFF + 0x80, 0, 1), 0x80, 0x58, std::string("\x00\x00\x18\x08", 4));
    // The longest steps up to the last tick below 2^32, then one past it.
    std::uint32_t tick = 0x0FFFFFFF + 0x80;
    while (tick <= 0xFFFFFFFF - 0x0FFFFFFF) {
        tick += 0x0FFFFFFF;
        add(TempoEvent::timeSignature(tick, 255, 0x80000000), 0x0FFFFFFF, 0x58, std::string("\xFF\x1F\x18\x08", 4));
    }
    add(TempoEvent::tempo(tick + 0x0FFFFFFF, 1), 0x0FFFFFFF, 0x51, std::string("\x00\x00\x01", 3));
    ASSERT_LT(content.tempoMap.back().tick, tick); // it wrapped
    add(TempoEvent::timeSignature(content.tempoMap.back().tick, 6, 8), 0, 0x58, std::string("\x06\x03\x18\x08", 4));
    expected.push_back({0, 0x2F, ""});

    const ReadFile read = readBack(write(content));
    ASSERT_EQ(read.chunks.size(), 2u);
    const std::vector<ReadEvent>& events = read.chunks[0].events;
    ASSERT_EQ(events.size(), expected.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i].delta, expected[i].delta);
        EXPECT_EQ(events[i].metaType, expected[i].type);
        EXPECT_EQ(events[i].data, expected[i].data);
    }
    expectSameContent(content);
}

// A step longer than a delta time holds is bridged with empty text events
// of the longest delta; the reader passes over them, so the content reads
// back the same.
TEST(WriteVSQ, LongStepsAreBridged) {
    constexpr std::uint32_t kMax = 0x0FFFFFFF;
    const struct {
        std::uint32_t from, to;
        std::size_t before; // the events before the step's: the first and its own bridges
        std::uint32_t bridges, delta;
    } steps[] = {
        {0, kMax, 1, 0, kMax},
        {0, kMax + 1, 1, 1, 1},
        {5, 5 + 2 * kMax, 1, 1, kMax},
        {7, 7 + 2 * kMax + 1, 1, 2, 1},
        {0, 0xFFFFFFFF, 1, 16, 0xF},
        {0xFFFFFFF0, 0x10, 16, 0, 0x20}, // past 2^32 in one delta
        {0xF0000000, 0x10, 16, 1, 0x11}, // past 2^32 in a longer step
        {10, 9, 1, 16, 0xF},             // one tick back: all the way round
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::to_string(step.from) + " to " + std::to_string(step.to));
        Content content;
        content.voices = {"[S]\n"};
        content.tempoMap = {TempoEvent::tempo(step.from, 500000), TempoEvent::timeSignature(step.to, 3, 4)};
        const ReadFile read = readBack(write(content));
        ASSERT_EQ(read.chunks.size(), 2u);
        const std::vector<ReadEvent>& events = read.chunks[0].events;
        const std::size_t first = step.before;
        ASSERT_EQ(events.size(), first + step.bridges + 2);
        for (std::size_t i = first; i < first + step.bridges; ++i) {
            EXPECT_EQ(events[i].delta, kMax);
            EXPECT_EQ(events[i].metaType, 0x01);
            EXPECT_EQ(events[i].data, "");
        }
        EXPECT_EQ(events[first + step.bridges].delta, step.delta);
        EXPECT_EQ(events[first + step.bridges].metaType, 0x58);
        expectSameContent(content);
    }
}

TEST(WriteVSQ, ManyShapesReadBack) {
    std::mt19937 random(18);
    const auto below = [&random](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        Content content;
        content.division = static_cast<std::int32_t>(below(32768));
        std::uint32_t tick = 0;
        for (std::uint32_t i = below(50); i > 0; --i) {
            tick += below(3) == 0 ? 0 : below(3) == 0 ? static_cast<std::uint32_t>(random()) : below(0x10000000);
            if (below(2) == 0) {
                content.tempoMap.push_back(TempoEvent::tempo(tick, below(0x1000000)));
            } else {
                content.tempoMap.push_back(TempoEvent::timeSignature(tick, below(256), 1u << below(32)));
            }
        }
        std::vector<std::string> texts;
        for (std::uint32_t i = 1 + below(20); i > 0; --i) {
            std::string text;
            for (std::uint32_t s = 1 + below(5); s > 0; --s) {
                text += "[sec " + std::to_string(below(100)) + " =[x]\n"; // the name "sec N =[x"
                for (std::uint32_t f = below(8); f > 0; --f)
                    text +=
                        "key" + std::to_string(f) + "=" + std::string(below(300), static_cast<char>('a' + f)) + "=[]\n";
            }
            if (below(2) == 0) text.pop_back(); // the last line without its "\n"
            texts.push_back(text);
        }
        content.voices.assign(texts.begin(), texts.end());
        expectSameContent(content);
    }
}

TEST(WriteVSQ, Problems) {
    const std::string longName(200, 'n');
    const struct Case {
        const char* name;
        void (*change)(Content&);
        Problem::Kind kind;
        std::size_t index;
        std::size_t offset;
    } cases[] = {
        {"division -1", [](Content& c) { c.division = -1; }, Problem::DivisionOutOfRange, 0, 0},
        {"division 32768", [](Content& c) { c.division = 32768; }, Problem::DivisionOutOfRange, 0, 0},
        {"no voice", [](Content& c) { c.voices.clear(); }, Problem::NoVoice, 0, 0},
        {"65535 voices", [](Content& c) { c.voices.assign(65535, "[S]\n"); }, Problem::TooManyVoices, 0, 0},
        {"a tempo of 2^24", [](Content& c) { c.tempoMap[1] = TempoEvent::tempo(10, 0x1000000); },
         Problem::TempoOutOfRange, 1, 0},
        {"numerator 256", [](Content& c) { c.tempoMap[2] = TempoEvent::timeSignature(20, 256, 4); },
         Problem::NumeratorOutOfRange, 2, 0},
        {"denominator 0", [](Content& c) { c.tempoMap[0] = TempoEvent::timeSignature(0, 4, 0); },
         Problem::DenominatorNotPowerOfTwo, 0, 0},
        {"denominator 6", [](Content& c) { c.tempoMap[2] = TempoEvent::timeSignature(20, 4, 6); },
         Problem::DenominatorNotPowerOfTwo, 2, 0},
        {"an empty text", [](Content& c) { c.voices[1] = ""; }, Problem::EmptyText, 1, 0},
        {"a 0 byte", [](Content& c) { c.voices[1] = std::string_view("[S]\nk=v\nk=\0\n", 12); }, Problem::ZeroByte, 1,
         8},
        {"an empty line", [](Content& c) { c.voices[0] = "[S]\n\nk=v\n"; }, Problem::EmptyLine, 0, 4},
        {"a field first", [](Content& c) { c.voices[1] = "k=v\n[S]\n"; }, Problem::FieldBeforeSection, 1, 0},
        {"a bad section line", [](Content& c) { c.voices[1] = "[S]\n[T]x\n"; }, Problem::MalformedSection, 1, 4},
        {"a field without a key", [](Content& c) { c.voices[1] = "[S]\nk=v\n=v\n"; }, Problem::MalformedField, 1, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Content content;
        content.voices = {"[S]\nk=v\n", "[S]\n"};
        content.tempoMap = {TempoEvent::tempo(0, 500000), TempoEvent::tempo(10, 400000),
                            TempoEvent::timeSignature(20, 3, 4)};
        c.change(content);
        const WriteVSQ writer(content);
        EXPECT_EQ(writer.problem().kind, c.kind);
        EXPECT_EQ(writer.problem().index, c.index);
        EXPECT_EQ(writer.problem().offset, c.offset);
        EXPECT_EQ(writer.size(), 0u);
        EXPECT_STRNE(Liedwerk::WriteVSQs::describe(c.kind), "");
        OrbT::StringSink sink;
        EXPECT_THROW(writer.write(sink), Liedwerk::Ex::UnwritableContent);
        EXPECT_EQ(sink.text, "");
    }
}

// The reader's grammar, line by line: the offset is where the faulty line begins.
TEST(WriteVSQ, CheckText) {
    const struct {
        std::string_view text;
        Problem::Kind kind;
        std::size_t offset;
    } cases[] = {
        {"[S]", Problem::None, 0},
        {"[S]\n", Problem::None, 0},
        {"[S]\nk=v\n[T]\nk=\nk==v\n[[x]\nk = v\r\n[S T]", Problem::None, 0},
        {"", Problem::EmptyText, 0},
        {"\n", Problem::EmptyLine, 0},
        {"[S]\n\n", Problem::EmptyLine, 4},
        {"[S]\nk=v\n\n[T]\n", Problem::EmptyLine, 8},
        {"k=v\n", Problem::FieldBeforeSection, 0},
        {"k=v", Problem::FieldBeforeSection, 0},
        {" [S]\n", Problem::FieldBeforeSection, 0},
        {"[S]\n[]\n", Problem::MalformedSection, 4},
        {"[S]\n[\n", Problem::MalformedSection, 4},
        {"[S]\n[T\n", Problem::MalformedSection, 4},
        {"[S]\n[T]]\n", Problem::MalformedSection, 4},
        {"[S]\r\n", Problem::MalformedSection, 0},
        {"[S]\nk\n", Problem::MalformedField, 4},
        {"[S]\n=v\n", Problem::MalformedField, 4},
        {"[S]\n [T]\n", Problem::MalformedField, 4},
        {std::string_view("\0[S]\n", 5), Problem::ZeroByte, 0},
        {std::string_view("[S]\nk=v\0", 8), Problem::ZeroByte, 4},
        {std::string_view("[S]\nk\n\0", 7), Problem::MalformedField, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        const Problem problem = Liedwerk::WriteVSQs::checkText(c.text);
        EXPECT_EQ(problem.kind, c.kind);
        EXPECT_EQ(problem.offset, c.offset);
        EXPECT_EQ(problem.index, 0u);
    }
}

// Each kind of faulty line in place of each line of a longer text: lines of
// many lengths, some longer than the 64 bytes that are judged at once.
// Every kind has its own name and words.
TEST(WriteVSQ, KindsAreNamedAndDescribed) {
    std::set<std::string> names;
    std::set<std::string> words;
    for (int each = Problem::None; each <= Problem::TempoMapTooLong; ++each) {
        const auto kind = static_cast<Problem::Kind>(each);
        names.insert(Liedwerk::WriteVSQs::nameOf(kind));
        words.insert(Liedwerk::WriteVSQs::describe(kind));
    }
    EXPECT_EQ(names.size(), Problem::TempoMapTooLong + 1u);
    EXPECT_EQ(words.size(), Problem::TempoMapTooLong + 1u);
    EXPECT_STREQ(Liedwerk::WriteVSQs::nameOf(Problem::MalformedField), "MalformedField");
    EXPECT_STREQ(Liedwerk::WriteVSQs::describe(Problem::None), "");
}

// A part that passes stands in its line and reads back as it is: the text
// made of it passes checkText; one that does not is named by its first fault.
TEST(WriteVSQ, CheckPart) {
    using Liedwerk::WriteVSQs::checkPart;
    using Liedwerk::WriteVSQs::Part;
    using Liedwerk::WriteVSQs::PartFault;
    const struct {
        Part part;
        std::string text;
        PartFault fault;
    } cases[] = {
        {Part::SectionName, "S", PartFault::None},
        {Part::SectionName, "[S", PartFault::None},
        {Part::SectionName, "a=b c", PartFault::None},
        {Part::SectionName, "a]b", PartFault::Delimiter},
        {Part::SectionName, "a]\n", PartFault::Delimiter},
        {Part::SectionName, "a\nb", PartFault::Newline},
        {Part::SectionName, std::string("a\0\n", 3), PartFault::Newline},
        {Part::SectionName, std::string("\0", 1), PartFault::ZeroByte},
        {Part::SectionName, "", PartFault::Empty},
        {Part::Key, "k", PartFault::None},
        {Part::Key, "k[", PartFault::None},
        {Part::Key, "[k", PartFault::Bracket},
        {Part::Key, "[k]", PartFault::Bracket},
        {Part::Key, "[k=", PartFault::Delimiter},
        {Part::Key, "a=b", PartFault::Delimiter},
        {Part::Key, "=", PartFault::Delimiter},
        {Part::Key, "k\r\n", PartFault::Newline},
        {Part::Key, std::string("k\0", 2), PartFault::ZeroByte},
        {Part::Key, "", PartFault::Empty},
        {Part::Value, "", PartFault::None},
        {Part::Value, "a=b]c[", PartFault::None},
        {Part::Value, "v\n[S]", PartFault::Newline},
        {Part::Value, std::string("\0", 1), PartFault::ZeroByte},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(checkPart(c.part, c.text), c.fault);
        if (c.fault != PartFault::None) continue;
        // "[S]" then "k=v" with the part in its place: the reader's lines.
        const std::string name = c.part == Part::SectionName ? c.text : "S";
        const std::string field = c.part == Part::Key ? c.text + "=v" : c.part == Part::Value ? "k=" + c.text : "k=v";
        EXPECT_EQ(Liedwerk::WriteVSQs::checkText("[" + name + "]\n" + field + "\n").kind, Problem::None);
    }
}

TEST(WriteVSQ, CheckTextFindsTheFaultyLineAnywhere) {
    std::vector<std::string> lines = {"[S]"};
    for (std::size_t i = 1; i < 120; ++i)
        lines.push_back(i % 17 == 0 ? "[T" + std::to_string(i) + "]" : "k=" + std::string(i * 7 % 90, 'v'));
    const struct {
        std::string line;
        Problem::Kind kind;
    } faults[] = {
        {"", Problem::EmptyLine},
        {std::string("k=\0v", 4), Problem::ZeroByte},
        {"[S", Problem::MalformedSection},
        {"[S]x", Problem::MalformedSection},
        {"kv", Problem::MalformedField},
        {"=v", Problem::MalformedField},
        {std::string(100, 'w'), Problem::MalformedField},
    };
    for (std::size_t at = 1; at < lines.size(); ++at) {
        for (const auto& fault : faults) {
            std::string text;
            std::size_t offset = 0;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                if (i == at) offset = text.size();
                text += (i == at ? fault.line : lines[i]) + "\n";
            }
            SCOPED_TRACE("line " + std::to_string(at) + " offset " + std::to_string(offset));
            const Problem problem = Liedwerk::WriteVSQs::checkText(text);
            EXPECT_EQ(problem.kind, fault.kind);
            EXPECT_EQ(problem.offset, offset);
        }
    }
    std::string whole;
    for (const std::string& line : lines) whole += line + "\n";
    EXPECT_EQ(Liedwerk::WriteVSQs::checkText(whole).kind, Problem::None);
    whole.pop_back();
    EXPECT_EQ(Liedwerk::WriteVSQs::checkText(whole).kind, Problem::None);
}

} // namespace
