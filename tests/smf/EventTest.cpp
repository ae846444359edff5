// The events inside a track chunk.
#include <orbsmf/Parser.h>

#include <gtest/gtest.h>

#include "Splits.h"

namespace {

using namespace Fixture;

constexpr const char* kHeaderLine = "header format=1 tracks=1 division=480 length=6 extra=0\n";

// One track chunk holding data, with the header's line and the chunk's begin
// line taken off the log.
std::string events(const Bytes& data, std::optional<std::uint32_t> declared = {}, Bytes after = {}) {
    Track track;
    track.raw(data);
    if (declared) track.declaredLength(*declared);
    Header h;
    const Bytes input = concat({smf(h, {track}), after});
    std::string log = logOfEverySplit<OrbSMF::Parser, SMFRecorder>(input);
    const std::string begin =
        kHeaderLine + std::string("track 0 begin length=") + std::to_string(declared.value_or(data.size())) + "\n";
    if (log.compare(0, begin.size(), begin) != 0) return "unexpected start: " + log;
    return log.substr(begin.size());
}

const char* const kEnd = "track 0 end\nend of SMF\ndone rest=0\n";

struct Case {
    const char* name;
    Bytes data;
    std::string log;
    std::optional<std::uint32_t> declared = {};
    Bytes after = {};
};

void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(events(c.data, c.declared, c.after), c.log);
    }
}

TEST(TrackEvents, Kinds) {
    check({
        {"note on, then running status",
         {0x00, 0x90, 0x3C, 0x40, 0x00, 0x3E, 0x40},
         std::string("track 0 Channel delta=0 length=3 [90 3C 40]\n"
                     "track 0 Channel delta=0 length=3 running [90 3E 40]\n") +
             kEnd},
        {"one data byte: program change and channel pressure",
         {0x05, 0xC3, 0x07, 0x01, 0x08, 0x02, 0xD0, 0x7F},
         std::string("track 0 Channel delta=5 length=2 [C3 07]\n"
                     "track 0 Channel delta=1 length=2 running [C3 08]\n"
                     "track 0 Channel delta=2 length=2 [D0 7F]\n") +
             kEnd},
        {"channel data bytes are not tested",
         {0x00, 0xE0, 0xFF, 0x80},
         std::string("track 0 Channel delta=0 length=3 [E0 FF 80]\n") + kEnd},
        {"text meta event ends with a 0 byte",
         {0x00, 0xFF, 0x01, 0x03, 'a', 'b', 'c'},
         std::string("track 0 Meta delta=0 length=7 [FF 01 03 61 62 63 00]\n") + kEnd},
        {"sysex from F0 keeps its F0",
         {0x00, 0xF0, 0x02, 0x7E, 0xF7},
         std::string("track 0 SysEx delta=0 length=3 [F0 7E F7]\n") + kEnd},
        {"sysex from F7 is the bytes alone",
         {0x00, 0xF7, 0x01, 0x43},
         std::string("track 0 SysEx delta=0 length=1 [43]\n") + kEnd},
        {"empty sysex events",
         {0x00, 0xF0, 0x00, 0x00, 0xF7, 0x00},
         std::string("track 0 SysEx delta=0 length=1 [F0]\n"
                     "track 0 SysEx delta=0 length=0 []\n") +
             kEnd},
        {"running status with the chunk's bytes for a whole event behind it",
         {0x00, 0x90, 0x3C, 0x40, 0x00, 0x3E, 0x40, 0x00, 0xFF, 0x2F, 0x00},
         std::string("track 0 Channel delta=0 length=3 [90 3C 40]\n"
                     "track 0 Channel delta=0 length=3 running [90 3E 40]\n"
                     "track 0 Meta delta=0 length=4 [FF 2F 00 00]\n") +
             kEnd},
        {"running status survives meta and sysex events",
         {0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x00, 0x00, 0xF7, 0x00, 0x00, 0x3E, 0x40},
         std::string("track 0 Channel delta=0 length=3 [90 3C 40]\n"
                     "track 0 Meta delta=0 length=4 [FF 01 00 00]\n"
                     "track 0 SysEx delta=0 length=0 []\n"
                     "track 0 Channel delta=0 length=3 running [90 3E 40]\n") +
             kEnd},
        {"events after End of Track are read",
         {0x00, 0xFF, 0x2F, 0x00, 0x00, 0x90, 0x3C, 0x40},
         std::string("track 0 Meta delta=0 length=4 [FF 2F 00 00]\n"
                     "track 0 Channel delta=0 length=3 [90 3C 40]\n") +
             kEnd},
        {"an empty chunk", {}, kEnd},
    });
}

TEST(TrackEvents, DeltaTimes) {
    check({
        {"81 00 is 128",
         {0x81, 0x00, 0xFF, 0x2F, 0x00},
         std::string("track 0 Meta delta=128 length=4 [FF 2F 00 00]\n") + kEnd},
        {"FF FF FF 7F is the largest",
         {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x2F, 0x00},
         std::string("track 0 Meta delta=268435455 length=4 [FF 2F 00 00]\n") + kEnd},
        {"a fifth byte", {0x80, 0x80, 0x80, 0x80, 0x00, 0xFF, 0x2F, 0x00}, "throws TooLongVarInteger\n"},
        {"a fifth byte of a sysex length",
         {0x00, 0xF0, 0x80, 0x80, 0x80, 0x80, 0x00, 0x00},
         "throws TooLongVarInteger\n"},
        {"a four-byte chunk of continuation bytes, more input behind",
         {0x80, 0x80, 0x80, 0x80},
         "throws ChunkOverrun\n",
         {},
         {0x00, 0x00, 0x00}},
        {"a delta time that takes the chunk's last byte", {0x00}, "throws ChunkOverrun\n"},
        {"a delta time cut by the chunk's end",
         {0x00, 0x90, 0x3C, 0x40, 0x81},
         "track 0 Channel delta=0 length=3 [90 3C 40]\nthrows ChunkOverrun\n",
         {},
         {0x00}},
    });
}

TEST(TrackEvents, StatusErrors) {
    check({
        {"data byte first", {0x00, 0x3C, 0x40}, "throws IllegalRunningStatus\n"},
        {"data byte first, more of the chunk behind",
         {0x00, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00},
         "throws IllegalRunningStatus\n"},
        {"data byte after a meta event only",
         {0x00, 0xFF, 0x01, 0x00, 0x00, 0x3C, 0x40},
         "track 0 Meta delta=0 length=4 [FF 01 00 00]\nthrows IllegalRunningStatus\n"},
        {"F1", {0x00, 0xF1, 0x00}, "throws IllegalSystemMessage\n"},
        {"F8", {0x00, 0xF8}, "throws IllegalSystemMessage\n"},
        {"FE", {0x00, 0xFE}, "throws IllegalSystemMessage\n"},
    });
}

TEST(TrackEvents, ChunkOverruns) {
    Bytes meta129 = {0x00, 0xFF, 0x01, 0x81};
    meta129.insert(meta129.end(), 129, 'x');
    std::string meta129Log = "track 0 Meta delta=0 length=133 [FF 01 81";
    for (int i = 0; i < 129; ++i) meta129Log += " 78";
    meta129Log += " 00]\n";
    check({
        {"no room for the meta type and length", {0x00, 0xFF, 0x01}, "throws ChunkOverrun\n"},
        {"meta data longer than the chunk, more input behind",
         {0x00, 0xFF, 0x01, 0x05, 'a', 'b'},
         "throws ChunkOverrun\n",
         {},
         {'c', 'd', 'e'}},
        {"the meta length is one plain byte", meta129, meta129Log + kEnd},
        {"channel data beyond the chunk", {0x00, 0x90, 0x3C}, "throws ChunkOverrun\n", {}, {0x40}},
        {"sysex longer than the chunk", {0x00, 0xF0, 0x05, 0x01}, "throws ChunkOverrun\n", {}, Bytes(8, 0)},
        {"sysex announcing 256 MiB in a tiny chunk",
         {0x00, 0xF7, 0xFF, 0xFF, 0xFF, 0x7F},
         "throws ChunkOverrun\n",
         {},
         Bytes(16, 0)},
        {"the file ends inside an event", {0x00, 0x90, 0x3C}, "throws UnexpectedFileEnd\n", 8},
    });
}

// An event larger than what is reserved before its bytes arrive: its storage
// grows as they come, and keeps them all, however the input is cut.
TEST(TrackEvents, LargeSysExArrivesWhole) {
    std::string body(150'000, '\0');
    for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7 % 251);
    Bytes expected = {0xF0};
    expected.insert(expected.end(), body.begin(), body.end());
    const Bytes input = smf(Header(), {Track().sysex(0, body).sysex(3, "ab").sysexEscape(0, body)});
    const std::string log = logOfEverySplit<OrbSMF::Parser, SMFRecorder>(input);
    EXPECT_EQ(log, std::string(kHeaderLine) + "track 0 begin length=" + std::to_string(input.size() - 22) + "\n" +
                       "track 0 SysEx delta=0 length=150001 [" + hex(expected.data(), expected.size()) + "]\n" +
                       "track 0 SysEx delta=3 length=3 [F0 61 62]\n" + "track 0 SysEx delta=0 length=150000 [" +
                       hex(expected.data() + 1, body.size()) + "]\n" + kEnd);
}

// The storage only grows within a chunk: a short event after a long one
// reports its own length, with its own bytes.
TEST(TrackEvents, StorageIsReusedAcrossEvents) {
    Track track;
    track.text(0, "a long text that needs the heap").text(0, "hi").note(0, 60).sysex(0, "");
    const Bytes input = smf(Header(), {track, Track().text(0, "second chunk")});
    const std::string log = logOfEverySplit<OrbSMF::Parser, SMFRecorder>(input);
    EXPECT_NE(log.find("track 0 Meta delta=0 length=6 [FF 01 02 68 69 00]\n"
                       "track 0 Channel delta=0 length=3 [90 3C 40]\n"
                       "track 0 SysEx delta=0 length=1 [F0]\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("track 1 Meta delta=0 length=16 ["), std::string::npos) << log;
}

} // namespace
