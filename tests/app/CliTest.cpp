// trillo end to end: the real binary on files that our writer builds.
#include <gtest/gtest.h>

#include <unistd.h>

#include "RunTool.h"
#include "SmfWriter.h"

namespace {

using namespace Fixture;

const std::string kBinary = TRILLO_BINARY;

ToolResult trillo(const std::vector<std::string>& args, const ToolOptions& options = {}) {
    return runTool(kBinary, args, options);
}

ToolResult trilloOn(const Bytes& bytes, const ToolOptions& options = {}) {
    TempDir dir;
    return trillo({dir.write("input.vsq", bytes)}, options);
}

void expectResult(const ToolResult& result, const std::string& out, const std::string& err, int status) {
    EXPECT_EQ(result.out, out);
    EXPECT_EQ(result.err, err);
    EXPECT_EQ(result.status, status);
}

const std::string kMaster = "[Master]\nNumVoices=1\nDivision=480\n[TempoMap]\n0=Tempo:120.00\n0=Time:4/4:24:8\n\n";

Track master() { return Track().tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack(); }

Bytes oneVoice(const Track& voice, Header header = {}) { return smf(header, {master(), voice}); }

Bytes withoutLast(Bytes bytes, std::size_t n) {
    bytes.resize(bytes.size() - n);
    return bytes;
}

TEST(Cli, ArgumentCount) {
    for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"a", "b"}}) {
        SCOPED_TRACE(args.size());
        expectResult(trillo(args), "", "usage: trillo <file>\n", 1);
    }
}

TEST(Cli, FilesThatCannotBeRead) {
    TempDir dir;
    expectResult(trillo({dir.path() + "/missing.vsq"}), "", "Error: cannot open file.\n", 1);
    expectResult(trillo({dir.path()}), "", "Error: cannot read file.\n", 1); // a folder opens, but does not read
    const std::string locked = dir.write("locked.vsq", workedExample());
    chmod(locked.c_str(), 0);
    if (geteuid() != 0) expectResult(trillo({locked}), "", "Error: cannot open file.\n", 1);
}

TEST(Cli, WorkedExample) {
    const ToolResult result = trilloOn(workedExample());
    expectResult(result, kWorkedExampleDump, "", 0);
    EXPECT_EQ(result.out.size(), 167u);
}

// A set-tempo value of 0 gives an infinite tempo: printed as such, and the
// rest of the dump is untouched.
TEST(Cli, InfiniteTempo) {
    const Track tempi = Track().tempo(0, 0).tempo(480, 500000).endOfTrack();
    expectResult(trilloOn(smf(Header(), {tempi, dmTrack("[S]\nk=v\n")})),
                 "[Master]\nNumVoices=1\nDivision=480\n[TempoMap]\n0=Tempo:inf\n480=Tempo:120.00\n\n"
                 "[Track01]\n[S]\nk=v\n",
                 "", 0);
}

// Every error line, each reached by a real file, after the exact part of the
// dump that comes before it.
TEST(Cli, ErrorLines) {
    Header format0, format2, oneTrack, smpte, shortHeader, badMagic;
    format0.format = 0;
    format2.format = 2;
    oneTrack.tracks = 1;
    smpte.division = 0xE728;
    shortHeader.length = 5;
    badMagic.magic = "RIFF";
    const Bytes full = oneVoice(dmTrack("[S]\nk=v\n"));
    const std::string head = kMaster + "[Track01]\n";
    Track overrun = dmTrack("[S]\nk=v\n").raw({0x00, 0x90, 0x3C, 0x40});
    overrun.declaredLength(static_cast<std::uint32_t>(overrun.data().size() - 1)); // the note's last byte is outside
    struct Case {
        const char* name;
        Bytes input;
        std::string out;
        const char* message;
    } cases[] = {
        {"empty file", {}, "", "Unexpected file end.\n"},
        {"bad magic", oneVoice(dmTrack("[S]\n"), badMagic), "", "Illegal SMF magic.\n"},
        {"bad track magic", oneVoice(dmTrack("[S]\n").magic("MTrK")), kMaster, "Illegal SMF magic.\n"},
        {"short header", oneVoice(dmTrack("[S]\n"), shortHeader), "", "Too short SMF header.\n"},
        {"format 0", oneVoice(dmTrack("[S]\n"), format0), "", "Illegal SMF Format (Format 1 required).\n"},
        {"format 2", oneVoice(dmTrack("[S]\n"), format2), "", "Illegal SMF Format (Format 1 required).\n"},
        {"one track", oneVoice(dmTrack("[S]\n"), oneTrack), "", "Too few number of tracks.\n"},
        {"SMPTE division", oneVoice(dmTrack("[S]\n"), smpte), "", "SMPTE style division is not supported.\n"},
        {"cut inside the header", withoutLast(full, full.size() - 10), "", "Unexpected file end.\n"},
        {"cut inside the master track", withoutLast(full, full.size() - 30),
         "[Master]\nNumVoices=1\nDivision=480\n[TempoMap]\n0=Tempo:120.00\n", "Unexpected file end.\n"},
        {"cut inside a voice track's chunk header", withoutLast(full, 28), kMaster, "Unexpected file end.\n"},
        {"cut inside a voice track's text", withoutLast(full, 6), head, "Unexpected file end.\n"},
        {"cut after a voice track's text", withoutLast(full, 3), head + "[S]\nk=v\n", "Unexpected file end.\n"},
        {"chunk overrun", oneVoice(overrun),
         head + "[S]\nk=v\n", "SMF data error - track chunk overrun.\n"},
        {"no status for running status", oneVoice(dmTrack("[S]\n").raw({0x00, 0x3C, 0x40})), head + "[S]\n",
         "SMF data error - illegal running status.\n"},
        {"a system message", oneVoice(dmTrack("[S]\n").raw({0x00, 0xF2, 0x00, 0x00})), head + "[S]\n",
         "SMF data error - raw system message is disallowed.\n"},
        {"an over-long number", oneVoice(dmTrack("[S]\n").raw({0x80, 0x80, 0x80, 0x80, 0x00, 0xFF, 0x2F, 0x00})),
         head + "[S]\n", "SMF data error - variable length integer overflow.\n"},
        {"a duplicated frame", oneVoice(Track().text(0, "DM:0:[S]\n").text(0, "DM:1:a=1\n").text(0, "DM:1:b=2\n")),
         head + "[S]\na=1\n", "Some DM frames lacked.\n"},
        {"a missing frame", oneVoice(Track().text(0, "DM:0:[S]\n").text(0, "DM:2:b=2\n")), head + "[S]\n",
         "Some DM frames lacked.\n"},
        {"a malformed section", oneVoice(dmTrack("[S]\nk=v\n[T\n")), head + "[S]\nk=v\n", "exception caught.\n"},
        {"a field before a section", oneVoice(dmTrack("k=v\n[S]\n")), head, "exception caught.\n"},
        {"a malformed field", oneVoice(dmTrack("[S]\nk\n")), head + "[S]\n", "exception caught.\n"},
        {"a voice track without DM text", oneVoice(Track().text(0, "hello").endOfTrack()), head,
         "No DM frames - SMF, but not VSQ.\n"},
        {"trailing bytes", concat({full, {0}}), head + "[S]\nk=v\n", "There are needless trailing bytes.\n"},
        {"two files joined", concat({full, full}), head + "[S]\nk=v\n", "There are needless trailing bytes.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectResult(trilloOn(c.input), c.out, std::string("Error: ") + c.message, 1);
    }
}

// A file whose size is a multiple of the 1024-byte block.
Bytes fileOfBlocks(std::size_t blocks) {
    for (std::size_t pad = 0;; ++pad) {
        Bytes bytes = oneVoice(dmTrack("[S]\nk=" + std::string(pad, 'v') + "\n"));
        if (bytes.size() == blocks * 1024) return bytes;
        if (bytes.size() > blocks * 1024) throw std::logic_error("no such size");
    }
}

TEST(Cli, BlockBoundaries) {
    for (std::size_t blocks : {1, 2, 5}) {
        SCOPED_TRACE(blocks);
        const Bytes exact = fileOfBlocks(blocks);
        const ToolResult whole = trilloOn(exact);
        EXPECT_EQ(whole.status, 0);
        EXPECT_EQ(whole.err, "");
        const std::string head = kMaster + "[Track01]\n[S]\nk=";
        EXPECT_EQ(whole.out.substr(0, head.size()), head);
        // One more byte, alone in a further block.
        expectResult(trilloOn(concat({exact, {'x'}})), whole.out, "Error: There are needless trailing bytes.\n", 1);
        // Cut by one byte: the end is missing.
        const ToolResult cut = trilloOn(withoutLast(exact, 1));
        EXPECT_EQ(cut.err, "Error: Unexpected file end.\n");
        EXPECT_EQ(cut.status, 1);
    }
}

TEST(Cli, OutputThatCannotBeWritten) {
    TempDir dir;
    const std::string input = dir.write("input.vsq", workedExample());
    ToolOptions toFull;
    toFull.stdoutPath = "/dev/full";
    expectResult(trillo({input}, toFull), "", "Error: cannot write file.\n", 1);
    ToolOptions closed;
    closed.closeStdout = true;
    expectResult(trillo({input}, closed), "", "Error: cannot write file.\n", 1);
}

// Standard error that cannot be written changes neither the dump nor the status.
TEST(Cli, StandardErrorThatCannotBeWritten) {
    ToolOptions errToFull;
    errToFull.stderrPath = "/dev/full";
    expectResult(trilloOn(workedExample(), errToFull), kWorkedExampleDump, "", 0);
    expectResult(trilloOn(concat({workedExample(), {0}}), errToFull), kWorkedExampleDump, "", 1);
    expectResult(trilloOn({}, errToFull), "", "", 1);
}

#ifndef TRILLO_SANITIZED
// A tiny file that announces a huge system exclusive event fails without
// reserving what it announces: on the chunk's length when that is honest, at
// the file's end when the chunk's length lies too.
TEST(Cli, HugeAnnouncedSysExReservesNothing) {
    ToolOptions small;
    small.addressSpaceLimit = 20L << 20;
    const Bytes sysex = {0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0x01};
    const Bytes honest = oneVoice(dmTrack("[S]\n").raw(sysex));
    EXPECT_LT(honest.size(), 200u);
    expectResult(trilloOn(honest, small), kMaster + "[Track01]\n[S]\n",
                 "Error: SMF data error - track chunk overrun.\n", 1);
    const Bytes lying = oneVoice(dmTrack("[S]\n").raw(sysex).declaredLength(0xFFFFFFFF));
    expectResult(trilloOn(lying, small), kMaster + "[Track01]\n[S]\n", "Error: Unexpected file end.\n", 1);
}

// A real event of 100 MiB (a system exclusive event in the master track)
// needs its own size and little more: it is put together without a second
// copy of itself, so it dumps under a limit of 160 MiB.
TEST(Cli, AHundredMiBEventDumpsUnderALimit) {
    const std::string body(100u << 20, '\x55');
    const Bytes input = smf(Header(), {Track().sysex(0, body).tempo(0, 500000).timeSignature(0, 4, 2), dmTrack("[S]\nk=v\n")});
    ToolOptions limited;
    limited.addressSpaceLimit = 160L << 20;
    expectResult(trilloOn(input, limited), kMaster + "[Track01]\n[S]\nk=v\n", "", 0);
}

// Frames held back without end (frame 0 never comes) run out of memory under
// a small address-space limit: the error line, not a crash.
TEST(Cli, RunningOutOfMemoryIsAnErrorLine) {
    Track voice;
    const std::string payload(200, 'p');
    for (int frame = 1; frame <= 80'000; ++frame) voice.text(0, "DM:" + std::to_string(frame) + ":" + payload);
    ToolOptions small;
    small.addressSpaceLimit = 16L << 20;
    expectResult(trilloOn(oneVoice(voice), small), kMaster + "[Track01]\n", "Error: exception caught.\n", 1);
}
#endif

} // namespace
