// DM frames: their header, their order, duplicates and gaps.
#include "DMFrameCollector.h"

#include <gtest/gtest.h>

#include <liedwerk/Exceptions.h>

#include "Recorders.h"

namespace {

using Liedwerk::DMFrameCollector;

// Offers the texts of one voice track as the reader does; returns the
// payloads fed (one per line), then "end" or the exception.
std::string collect(const std::vector<std::string>& texts) {
    DMFrameCollector collector;
    std::string fed;
    try {
        collector.checkAndReset();
        for (const std::string& text : texts) {
            const std::optional<std::string_view> accepted = collector.accept(text);
            if (!accepted) {
                fed += "skip " + text + "\n";
                continue;
            }
            for (std::string_view payload = *accepted; !payload.empty(); payload = collector.next())
                fed += std::string(payload) + "\n";
        }
        collector.checkAndReset();
    } catch (...) {
        return fed + "throws " + Fixture::exceptionName() + "\n";
    }
    return fed + "end\n";
}

TEST(DMFrames, Order) {
    struct Case {
        std::vector<std::string> texts;
        const char* fed;
    } cases[] = {
        {{"DM:0:a", "DM:1:b", "DM:2:c"}, "a\nb\nc\nend\n"},
        {{"DM:2:c", "DM:1:b", "DM:0:a"}, "a\nb\nc\nend\n"},
        {{"DM:0:a", "DM:2:c", "DM:3:d", "DM:1:b"}, "a\nb\nc\nd\nend\n"},
        {{"DM:0:a", "DM:0:a"}, "a\nthrows DuplicatedDMFrame\n"},
        {{"DM:2:c", "DM:2:x", "DM:0:a", "DM:1:b"}, "a\nb\nc\nthrows DuplicatedDMFrame\n"},
        {{"DM:1:b", "DM:2:c"}, "throws LackedDMFrame\n"},
        {{"DM:0:a", "DM:1:b", "DM:3:d"}, "a\nb\nthrows LackedDMFrame\n"},
        {{"DM:0:a", "DM:1:b", "DM:2:c", "DM:3:d", "DM:4:e"}, "a\nb\nc\nd\ne\nend\n"}, // no 5: unnoticed
        {{"DM:0:a:b:c", "DM:01:b", "DM:0002:c"}, "a:b:c\nb\nc\nend\n"},
    };
    for (const auto& c : cases) {
        std::string texts;
        for (const auto& t : c.texts) texts += t + " ";
        EXPECT_EQ(collect(c.texts), c.fed) << texts;
    }
}

TEST(DMFrames, NotFrames) {
    // Texts that are not frames are skipped; the frames around them join.
    EXPECT_EQ(collect({"DM:0:a", "dm:1:x", "DM:", "DM:12", "DM::abc", "DM:1a:abc", "DM:3:", "DM: 1 :x", "DM:0x1:x",
                       "DM:1:b"}),
              "a\nskip dm:1:x\nskip DM:\nskip DM:12\nskip DM::abc\nskip DM:1a:abc\nskip DM:3:\n"
              "skip DM: 1 :x\nskip DM:0x1:x\nb\nend\n");
    // An empty payload does not count as its frame.
    EXPECT_EQ(collect({"DM:0:a", "DM:1:", "DM:2:c"}), "a\nskip DM:1:\nthrows LackedDMFrame\n");
}

TEST(DMFrames, NumberField) {
    struct Case {
        const char* field;
        long long number; // taken as signed 32-bit; the sentinel 1LL << 40 means "not a frame"
    } cases[] = {
        {"0", 0},
        {"0012", 12},
        {"999999999", 999999999},
        {"000000000012", 12},
        {" 12", 12},
        {"+12", 12},
        {"+0", 0},
        {" 0", 0},
        {"\t7", 7},
        {"2147483647", 2147483647},
        {"2147483648", -2147483648LL},
        {"4294967295", -1},
        {"4294967296", -1},
        {"99999999999999999999", -1},
        {"-1", -1},
        {"-0", 0},
        {"-4294967295", 1},
        {"-4294967296", -1},
        {"-99999999999999999999", -1},
        {"12 ", 1LL << 40},
        {"0x10", 1LL << 40},
        {"+", 1LL << 40},
        {" ", 1LL << 40},
        {"--1", 1LL << 40},
    };
    using namespace std::string_literals;
    for (const auto& c : cases) {
        const std::string text = std::string("DM:") + c.field + ":p";
        const Liedwerk::DMHeader header = Liedwerk::parseDMHeader(text);
        if (c.number == (1LL << 40)) {
            EXPECT_FALSE(header.isFrame) << text;
        } else {
            EXPECT_TRUE(header.isFrame) << text;
            EXPECT_EQ(header.number, c.number) << text;
            EXPECT_EQ(header.payload, "p") << text;
        }
        // Whatever the number field, an empty payload, or one that a 0 byte
        // ends at once, makes no frame.
        for (const std::string& empty : {std::string("DM:") + c.field + ":", std::string("DM:") + c.field + ":\0p"s})
            EXPECT_FALSE(Liedwerk::parseDMHeader(empty).isFrame) << empty << " (" << empty.size() << " bytes)";
    }
    EXPECT_FALSE(Liedwerk::parseUnsigned("12x"));
    // The first colon ends the number; later ones belong to the payload.
    EXPECT_EQ(Liedwerk::parseDMHeader("DM:7:a:b").payload, "a:b");
    EXPECT_FALSE(Liedwerk::parseDMHeader("DM:7 x:a").isFrame);
    // The text ends at its first 0 byte: before the payload, no frame; in
    // it, the payload ends there, and a frame held back keeps what is before.
    for (const std::string& text : {"DM:7\0:a"s, "DM:7:\0a"s, "DM: 7\0:a"s, "DM:\0"s, "D\0:7:a"s})
        EXPECT_FALSE(Liedwerk::parseDMHeader(text).isFrame) << text.size();
    EXPECT_EQ(Liedwerk::parseDMHeader("DM:7:a\0b"s).payload, "a\0b"s);
    EXPECT_EQ(Liedwerk::parseDMHeader("DM: 7:a\0b"s).payload, "a"s);
    EXPECT_EQ(collect({"DM:1:b\0c"s, "DM:0:a"}), "a\nb\nend\n");
    // A negative number is below every expected frame: a duplicate.
    EXPECT_EQ(collect({"DM:4294967296:x"}), "throws DuplicatedDMFrame\n");
    EXPECT_EQ(collect({"DM:-4294967295:b", "DM:0:a"}), "a\nb\nend\n");
}

TEST(DMFrames, EachTrackStartsAtZero) {
    DMFrameCollector collector;
    ASSERT_EQ(collector.accept("DM:0:a"), "a");
    ASSERT_EQ(collector.accept("DM:1:b"), "b");
    EXPECT_TRUE(collector.accept("DM:3:d").value().empty());
    EXPECT_THROW(collector.checkAndReset(), Liedwerk::Ex::LackedDMFrame);
    // Reset even though it threw.
    EXPECT_EQ(collector.accept("DM:0:again"), "again");
    EXPECT_TRUE(collector.next().empty());
    collector.checkAndReset();
}

// An on-time frame is passed on where it lies; an early one as a copy that
// lives until the next call.
TEST(DMFrames, PayloadViews) {
    DMFrameCollector collector;
    std::string early = "DM:1:early";
    std::string onTime = "DM:0:on time";
    EXPECT_TRUE(collector.accept(early).value().empty());
    early.assign(early.size(), '#'); // the event's bytes are gone
    const std::string_view payload = collector.accept(onTime).value();
    EXPECT_EQ(payload.data(), onTime.c_str() + 5);
    EXPECT_EQ(collector.next(), "early");
    EXPECT_TRUE(collector.next().empty());
}

} // namespace
