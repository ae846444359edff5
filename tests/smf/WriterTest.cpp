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
    for (std::uint32_t tooLarge : {0x10000000u, 0xFFFFFFFFu}) {
        std::uint8_t out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_THROW(OrbSMF::Writing::putVarNumber(out, tooLarge), std::invalid_argument);
        EXPECT_EQ(Bytes(out, out + 4), Bytes(4, 0xAA));
        EXPECT_THROW(OrbSMF::Writing::varNumberSize(tooLarge), std::invalid_argument);
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
    const struct {
        const char* name;
        std::function<void(Writer&)> before;
        std::function<void(Writer&)> misuse;
    } cases[] = {
        {"an event before the header", nothing, [](Writer& w) { w.metaEvent(0, 0x2F, ""); }},
        {"a track before the header", nothing, [](Writer& w) { w.beginTrack(4); }},
        {"a second header", header, [](Writer& w) { w.header(1, 1, 480); }},
        {"an event outside a track", header, [](Writer& w) { w.metaEvent(0, 0x2F, ""); }},
        {"endTrack without a track", header, [](Writer& w) { w.endTrack(); }},
        {"a track inside a track", inTrack, [](Writer& w) { w.beginTrack(4); }},
        {"events short of the length", inTrack, [](Writer& w) { w.endTrack(); }},
        {"an event beyond the length", inTrack, [](Writer& w) { w.metaEvent(0, 0x01, ""); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BlockSink sink;
        Writer writer(sink);
        c.before(writer);
        writer.flush();
        const std::string before = sink.text;
        EXPECT_THROW(c.misuse(writer), std::logic_error);
        writer.flush();
        EXPECT_EQ(sink.text, before);
    }
}

TEST(SMFWriter, MetaEventsHoldAtMost127Bytes) {
    for (const auto& [head, tail] : {std::pair{data(128), data(0)}, std::pair{data(100), data(28)}}) {
        BlockSink sink;
        Writer writer(sink);
        writer.header(1, 1, 480);
        writer.beginTrack(1000);
        EXPECT_THROW(writer.metaEvent(0, 0x01, head, tail), std::invalid_argument);
        EXPECT_THROW(writer.metaEvent(0x10000000, 0x01, ""), std::invalid_argument);
        writer.flush();
        EXPECT_EQ(sink.text.size(), 14u + 8u);
    }
}

} // namespace
