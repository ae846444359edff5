// OrbSMF::Writer against the fixture writer's bytes and our own parser.
#include <orbsmf/Writer.h>

#include <functional>
#include <stdexcept>

#include <gtest/gtest.h>
#include <orbt/Exceptions.h>

#include "ReadBack.h"

namespace {

using namespace Fixture;
using OrbSMF::Writer;

// Keeps every block it is given, and fails from the block numbered failAt on.
class BlockSink : public OrbT::ByteSink {
public:
    void write(const char* bytes, std::size_t count) override {
        if (blocks.size() + 1 >= failAt) throw OrbT::Ex::CannotWriteFile();
        blocks.push_back(count);
        text.append(bytes, count);
    }

    Bytes bytes() const { return bytesOf(text); }

    std::string text;
    std::vector<std::size_t> blocks;
    std::size_t failAt = SIZE_MAX;
};

std::string data(std::size_t size, char fill = 'x') { return std::string(size, fill); }

// What a call throws: the exception's exact type and its message, or
// "nothing".  Each precondition has a message of its own, so a call that
// throws for another reason than the one expected shows.
std::string thrownBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::invalid_argument& e) {
        return std::string("invalid_argument: ") + e.what();
    } catch (const std::logic_error& e) {
        return std::string("logic_error: ") + e.what();
    } catch (...) {
        return "another exception";
    }
    return "nothing";
}

// The bytes of each width's smallest and largest number.
TEST(SMFWriter, VariableLengthNumbers) {
    const struct {
        std::uint32_t value;
        Bytes bytes;
    } cases[] = {
        {0, {0x00}},
        {0x7F, {0x7F}},
        {0x80, {0x81, 0x00}},
        {0x3FFF, {0xFF, 0x7F}},
        {0x4000, {0x81, 0x80, 0x00}},
        {0x1FFFFF, {0xFF, 0xFF, 0x7F}},
        {0x200000, {0x81, 0x80, 0x80, 0x00}},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        std::uint8_t out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        const std::uint32_t size = OrbSMF::Writing::putVarNumber(out, c.value);
        EXPECT_EQ(Bytes(out, out + size), c.bytes);
        EXPECT_EQ(OrbSMF::Writing::varNumberSize(c.value), c.bytes.size());
        EXPECT_EQ(OrbSMF::Writing::metaEventSize(c.value, 5), c.bytes.size() + 3 + 5);
    }
    const std::string tooLong = "invalid_argument: a variable-length number holds 28 bits";
    for (std::uint32_t tooLarge : {0x10000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(tooLarge);
        std::uint8_t out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_EQ(thrownBy([&] { OrbSMF::Writing::putVarNumber(out, tooLarge); }), tooLong);
        EXPECT_EQ(Bytes(out, out + 4), Bytes(4, 0xAA));
        EXPECT_EQ(thrownBy([&] { OrbSMF::Writing::varNumberSize(tooLarge); }), tooLong);
        EXPECT_EQ(thrownBy([&] { OrbSMF::Writing::metaEventSize(tooLarge, 0); }), tooLong);
    }
}

// Writes, with the writer, the header and one track chunk of meta events
// whose deltas and data the fixture writer also writes.
struct Meta {
    std::uint32_t delta;
    std::uint8_t type;
    std::string head;
    std::string tail;
};

Bytes writeTrack(const std::vector<Meta>& events, std::uint16_t division = 480) {
    std::uint32_t length = 0;
    for (const Meta& m : events)
        length += OrbSMF::Writing::metaEventSize(m.delta, static_cast<std::uint32_t>(m.head.size() + m.tail.size()));
    BlockSink sink;
    Writer writer(sink);
    writer.header(1, 1, division);
    writer.beginTrack(length);
    for (const Meta& m : events) writer.metaEvent(m.delta, m.type, m.head, m.tail);
    writer.endTrack();
    writer.flush();
    return sink.bytes();
}

TEST(SMFWriter, SameBytesAsTheFixtureWriter) {
    const std::vector<Meta> events = {
        {0, 0x51, "\x07\xA1\x20", ""},           {0x7F, 0x01, "", ""},
        {0x80, 0x01, "DM:0000:", "[S]\n"},       {0x0FFFFFFF, 0x03, data(127), ""},
        {0x3FFF, 0x01, data(60), data(67, 'y')}, {0, 0x2F, "", ""},
    };
    Track expected;
    for (const Meta& m : events) expected.meta(m.delta, m.type, m.head + m.tail);
    Header header;
    header.division = 0x7FFF;
    EXPECT_EQ(writeTrack(events, 0x7FFF), smf(header, {expected}));
}

// Every delta time at a width's edge comes back from our parser, and so does
// each data size up to the limit.
TEST(SMFWriter, ReadsBackWithOurParser) {
    std::vector<Meta> events;
    for (std::uint32_t delta : {0u, 0x7Fu, 0x80u, 0x3FFFu, 0x4000u, 0x1FFFFFu, 0x200000u, 0x0FFFFFFFu})
        events.push_back({delta, 0x7F, "", ""});
    for (std::size_t size = 0; size <= 127; ++size)
        events.push_back({1, 0x01, data(size / 2), data(size - size / 2, 'z')});
    const ReadFile read = readBack(writeTrack(events));
    EXPECT_EQ(read.format, 1);
    EXPECT_EQ(read.tracks, 1);
    EXPECT_EQ(read.division, 480);
    ASSERT_EQ(read.chunks.size(), 1u);
    ASSERT_EQ(read.chunks[0].events.size(), events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        const ReadEvent& got = read.chunks[0].events[i];
        EXPECT_EQ(got.delta, events[i].delta);
        EXPECT_EQ(got.status, 0xFF);
        EXPECT_EQ(got.metaType, events[i].type);
        EXPECT_EQ(got.data, events[i].head + events[i].tail);
    }
}

// A file larger than the buffer reaches the sink in blocks of at most 64 KiB,
// the last at flush.
TEST(SMFWriter, LargeFilesGoToTheSinkInBlocks) {
    const std::vector<Meta> events(3000, Meta{300, 0x01, data(100), data(27, 'y')});
    BlockSink sink;
    {
        std::uint32_t length = 0;
        for (const Meta& m : events) length += OrbSMF::Writing::metaEventSize(m.delta, 127);
        Writer writer(sink);
        writer.header(1, 1, 480);
        writer.beginTrack(length);
        for (const Meta& m : events) writer.metaEvent(m.delta, m.type, m.head, m.tail);
        writer.endTrack();
        EXPECT_LE(sink.text.size(), 14 + 8 + 3000u * 132 - 1); // not all there before the flush
        writer.flush();
    }
    EXPECT_EQ(sink.text.size(), 14 + 8 + 3000u * 132);
    EXPECT_GT(sink.blocks.size(), 1u);
    for (std::size_t block : sink.blocks) EXPECT_LE(block, 64u * 1024);
    EXPECT_EQ(readBack(sink.bytes()).chunks.at(0).events.size(), 3000u);
}

TEST(SMFWriter, SinkFailurePassesOut) {
    BlockSink sink;
    sink.failAt = 2;
    Writer writer(sink);
    writer.header(1, 1, 480);
    writer.beginTrack(1000 * 132);
    EXPECT_THROW(
        {
            for (int i = 0; i < 1000; ++i) writer.metaEvent(300, 0x01, data(127));
        },
        OrbT::Ex::CannotWriteFile);
    EXPECT_EQ(sink.blocks.size(), 1u);
}

// Misuse throws, and the call writes nothing.
TEST(SMFWriter, Misuse) {
    const auto nothing = [](Writer&) {};
    const auto header = [](Writer& w) { w.header(1, 2, 480); };
    const auto inTrack = [](Writer& w) {
        w.header(1, 2, 480);
        w.beginTrack(5);
        w.metaEvent(0, 0x2F, "");
    };
    const auto afterTrack = [](Writer& w) {
        w.header(1, 2, 480);
        w.beginTrack(4);
        w.metaEvent(0, 0x2F, "");
        w.endTrack();
    };
    const std::string outside = "logic_error: OrbSMF::Writer: an event outside a track chunk";
    const std::string notBetween =
        "logic_error: OrbSMF::Writer: a track chunk begins after the header or a track chunk";
    const std::string notOpen = "logic_error: OrbSMF::Writer: no track chunk is open";
    const std::string secondHeader = "logic_error: OrbSMF::Writer: the header comes once, first";
    const struct {
        const char* name;
        std::function<void(Writer&)> before;
        std::function<void(Writer&)> misuse;
        std::string thrown;
    } cases[] = {
        {"an event before the header", nothing, [](Writer& w) { w.metaEvent(0, 0x2F, ""); }, outside},
        {"a track before the header", nothing, [](Writer& w) { w.beginTrack(4); }, notBetween},
        {"endTrack before the header", nothing, [](Writer& w) { w.endTrack(); }, notOpen},
        {"a second header", header, [](Writer& w) { w.header(1, 1, 480); }, secondHeader},
        {"a header inside a track", inTrack, [](Writer& w) { w.header(1, 1, 480); }, secondHeader},
        {"a header after a track", afterTrack, [](Writer& w) { w.header(1, 1, 480); }, secondHeader},
        {"an event outside a track", header, [](Writer& w) { w.metaEvent(0, 0x2F, ""); }, outside},
        {"an event after a track", afterTrack, [](Writer& w) { w.metaEvent(0, 0x2F, ""); }, outside},
        {"endTrack without a track", header, [](Writer& w) { w.endTrack(); }, notOpen},
        {"endTrack twice", afterTrack, [](Writer& w) { w.endTrack(); }, notOpen},
        {"a track inside a track", inTrack, [](Writer& w) { w.beginTrack(4); }, notBetween},
        {"events short of the length", inTrack, [](Writer& w) { w.endTrack(); },
         "logic_error: OrbSMF::Writer: events short of the track chunk's length"},
        {"an event beyond the length", inTrack, [](Writer& w) { w.metaEvent(0, 0x01, ""); },
         "logic_error: OrbSMF::Writer: events beyond the track chunk's length"},
        {"data beyond the limit outside a track", header, [](Writer& w) { w.metaEvent(0, 0x01, data(128)); }, outside},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BlockSink sink;
        Writer writer(sink);
        c.before(writer);
        writer.flush();
        const std::string before = sink.text;
        EXPECT_EQ(thrownBy([&] { c.misuse(writer); }), c.thrown);
        writer.flush();
        EXPECT_EQ(sink.text, before);
    }
}

// Each limit throws its own std::invalid_argument, the data size before the
// track chunk's length, and the call writes nothing.
TEST(SMFWriter, MetaEventsHoldAtMost127Bytes) {
    const std::string tooMuchData = "invalid_argument: OrbSMF::Writer: a meta event holds at most 127 data bytes";
    const std::string tooLong = "invalid_argument: a variable-length number holds 28 bits";
    const struct {
        const char* name;
        std::uint32_t length; // of the track chunk
        std::uint32_t delta;
        std::string head;
        std::string tail;
        std::string thrown;
    } cases[] = {
        {"128 bytes in the head", 1000, 0, data(128), "", tooMuchData},
        {"128 bytes in the tail", 1000, 0, "", data(128), tooMuchData},
        {"128 bytes in both", 1000, 0, data(100), data(28), tooMuchData},
        {"128 bytes in a track too short for them", 10, 0, data(64), data(64), tooMuchData},
        {"a delta beyond 28 bits", 1000, 0x10000000, "", "", tooLong},
        {"the largest delta and 128 bytes", 1000, 0x0FFFFFFF, data(128), "", tooMuchData},
        {"a delta beyond 28 bits and 127 bytes", 1000, 0xFFFFFFFF, data(127), "", tooLong},
        {"127 bytes: fits", 1000, 0x0FFFFFFF, data(27), data(100), "nothing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BlockSink sink;
        Writer writer(sink);
        writer.header(1, 1, 480);
        writer.beginTrack(c.length);
        writer.flush();
        const std::size_t before = sink.text.size();
        EXPECT_EQ(thrownBy([&] { writer.metaEvent(c.delta, 0x01, c.head, c.tail); }), c.thrown);
        writer.flush();
        EXPECT_EQ(sink.text.size(), before + (c.thrown == "nothing" ? 4 + 3 + 127 : 0));
    }
}

} // namespace
