// trillo end to end: the real binary on files that our writer builds.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "Cases.h"
#include "RunTool.h"
#include "SmfWriter.h"

namespace {

using namespace Fixture;

const std::string kBinary = TRILLO_BINARY;

ToolResult trillo(const std::vector<std::string>& args, const ToolOptions& options = {}) {
    return runTool(kBinary, args, options);
}

// How the tool is given its input: a path, or "-" with standard input
// redirected from the file (one read may fetch many blocks) or from a pipe
// (reads may come short).
enum class Feed { Path, StdinFile, StdinPipe };
const Feed kFeeds[] = {Feed::Path, Feed::StdinFile, Feed::StdinPipe};

const char* nameOf(Feed feed) {
    switch (feed) {
    case Feed::Path:
        return "the file's path";
    case Feed::StdinFile:
        return "- with the file on standard input";
    case Feed::StdinPipe:
        return "- with a pipe on standard input";
    }
    return "?";
}

ToolResult trilloOn(const Bytes& bytes, ToolOptions options = {}, Feed feed = Feed::Path) {
    TempDir dir;
    const std::string path = dir.write("input.vsq", bytes);
    switch (feed) {
    case Feed::Path:
        return trillo({path}, options);
    case Feed::StdinFile:
        options.stdinPath = path;
        break;
    case Feed::StdinPipe:
        options.stdinBytes = bytes;
        break;
    }
    return trillo({"-"}, options);
}

ToolResult trilloOn(const Bytes& bytes, Feed feed) { return trilloOn(bytes, {}, feed); }

void expectResult(const ToolResult& result, const std::string& out, const std::string& err, int status) {
    EXPECT_EQ(result.out, out);
    EXPECT_EQ(result.err, err);
    EXPECT_EQ(result.status, status);
}

// Only one argument is a run; the options too stand alone.
TEST(Cli, ArgumentCount) {
    const std::vector<std::string> lists[] = {
        {}, {"a", "b"}, {"--help", "x"}, {"x", "--version"}, {"--help", "--version"}, {"-", "-"},
    };
    for (const auto& args : lists) {
        SCOPED_TRACE(args.size());
        expectResult(trillo(args), "", "usage: trillo <file>\n", 1);
    }
}

TEST(Cli, HelpAndVersion) {
    expectResult(trillo({"--version"}), std::string("trillo ") + TRILLO_VERSION + "\n", "", 0);
    const ToolResult help = trillo({"--help"});
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: trillo <file>\n", 0), 0u) << help.out;
    for (const char* part : {"\n       trillo -\n", "standard input", "./-", "Exit status: 0", "trillo(1)"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
    // Written to a closed stream or a full device, they fail like a dump.
    ToolOptions closed;
    closed.closeStdout = true;
    for (const char* option : {"--help", "--version"}) {
        SCOPED_TRACE(option);
        expectResult(trillo({option}, closed), "", "Error: cannot write file.\n", 1);
#ifndef _WIN32
        ToolOptions toFull;
        toFull.stdoutPath = "/dev/full";
        expectResult(trillo({option}, toFull), "", "Error: cannot write file.\n", 1);
#endif
    }
}

// Paths that no user can open, and a file whose mode forbids reading, which
// root too is refused once it lacks the power to override modes.
TEST(Cli, FilesThatCannotBeRead) {
    TempDir dir;
    expectResult(trillo({dir.path() + "/missing.vsq"}), "", "Error: cannot open file.\n", 1);
    const std::string file = dir.write("input.vsq", workedExample());
    expectResult(trillo({file + "/inside"}), "", "Error: cannot open file.\n", 1);
#ifdef _WIN32
    expectResult(trillo({dir.path()}), "", "Error: cannot open file.\n", 1); // a folder does not open
#else
    expectResult(trillo({dir.path()}), "", "Error: cannot read file.\n", 1); // a folder opens, but does not read
    const std::string locked = dir.write("locked.vsq", workedExample());
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    ToolOptions asAnyUser;
    asAnyUser.withoutRootOverride = true;
    expectResult(trillo({locked}, asAnyUser), "", "Error: cannot open file.\n", 1);
    chmod(locked.c_str(), 0600);
    expectResult(trillo({locked}, asAnyUser), kWorkedExampleDump, "", 0); // the same run, allowed
#endif
}

// "-" is standard input; a file of that name is reached as ./-.
TEST(Cli, StandardInput) {
    TempDir dir;
    dir.write("-", workedExample());
    ToolOptions inDir;
    inDir.workingDirectory = dir.path();
    expectResult(trillo({"./-"}, inDir), kWorkedExampleDump, "", 0); // standard input is empty
    expectResult(trillo({"-"}, inDir), "", "Error: Unexpected file end.\n", 1);
#ifndef _WIN32
    ToolOptions closed;
    closed.closeStdin = true;
    expectResult(trillo({"-"}, closed), "", "Error: cannot open file.\n", 1);
    ToolOptions folder;
    folder.stdinPath = dir.path();
    expectResult(trillo({"-"}, folder), "", "Error: cannot read file.\n", 1);
#endif
}

TEST(Cli, WorkedExample) {
    for (Feed feed : kFeeds) {
        SCOPED_TRACE(nameOf(feed));
        expectResult(trilloOn(workedExample(), feed), kWorkedExampleDump, "", 0);
    }
}

// The bundled examples dump as the reader and the writer dump them here.
// Under valgrind (cli_under_valgrind) the tool's own build runs them too.
TEST(Cli, BundledExamples) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TRILLO_EXAMPLES)) {
        if (entry.path().extension() != ".vsq") continue;
        SCOPED_TRACE(entry.path().string());
        ++count;
        const std::string text = readFile(entry.path().string());
        const Bytes bytes(text.begin(), text.end());
        const InProcess inProcess = dumpInProcess(bytes);
        EXPECT_EQ(inProcess.message, "");
        const std::string& dump = inProcess.out;
        EXPECT_NE(dump.find("[Track01]\n"), std::string::npos);
        expectResult(trillo({entry.path().string()}), dump, "", 0);
    }
    EXPECT_GE(count, 2);
}

// Field lines of every length from 3 to 302 bytes (newline included), with
// the = at varying places, cut into frames of three sizes, the last voice's
// frames in reverse order.
TEST(Cli, EveryLineLength) {
    std::string text = "[Lines]\n";
    for (std::size_t length = 3; length <= 302; ++length) {
        const std::size_t content = length - 1;
        const std::size_t key = 1 + length % std::min<std::size_t>(7, content - 1);
        std::string line(key, 'k');
        line += '=';
        for (std::size_t i = key + 1; i < content; ++i) line += static_cast<char>(i % 11 == 0 ? '=' : 'a' + i % 26);
        text += line + "\n";
    }
    const std::size_t frames = dmFrames(text, 100).size();
    std::vector<std::size_t> reversed;
    for (std::size_t i = frames; i-- > 0;) reversed.push_back(i);
    const Bytes file = smf(Header(), {master(), dmTrack(text, 64), dmTrack(text, 247), dmTrack(text, 100, reversed)});
    const std::string master3 = "[Master]\nNumVoices=3\nDivision=480\n[TempoMap]\n0=Tempo:120.00\n0=Time:4/4:24:8\n\n";
    expectResult(trilloOn(file), master3 + "[Track01]\n" + text + "\n[Track02]\n" + text + "\n[Track03]\n" + text, "",
                 0);
}

// A set-tempo value of 0 gives an infinite tempo: printed as such, and the
// rest of the dump is untouched.
TEST(Cli, InfiniteTempo) {
    const std::vector<Case> cases = validCases();
    const Case& infinite = caseNamed(cases, "an infinite tempo");
    expectResult(trilloOn(infinite.input), infinite.out, "", 0);
}

// Every error line, each reached by a real file (errorCases).
void expectErrorLines(Feed feed) {
    for (const Case& c : errorCases()) {
        SCOPED_TRACE(c.what + ", through " + nameOf(feed));
        expectResult(trilloOn(c.input, feed), c.out, std::string("Error: ") + c.message, 1);
    }
}

// Each error line after the exact part of the dump that comes before it.
TEST(Cli, ErrorLines) { expectErrorLines(Feed::Path); }

// The same from standard input.  Not under valgrind, for time: the paths
// that differ run there in the other tests.
TEST(Cli, ErrorLinesFromStandardInput) {
    expectErrorLines(Feed::StdinFile);
    expectErrorLines(Feed::StdinPipe);
}

TEST(Cli, BlockBoundaries) {
    for (Feed feed : kFeeds) {
        for (std::size_t blocks : {1, 2, 5}) {
            SCOPED_TRACE(std::to_string(blocks) + " blocks through " + nameOf(feed));
            const Bytes exact = fileOfBlocks(blocks);
            const ToolResult whole = trilloOn(exact, feed);
            EXPECT_EQ(whole.status, 0);
            EXPECT_EQ(whole.err, "");
            const std::string head = kMaster + "[Track01]\n[S]\nk=";
            EXPECT_EQ(whole.out.substr(0, head.size()), head);
            // One more byte, alone in a further block.
            expectResult(trilloOn(concat({exact, {'x'}}), feed), whole.out,
                         "Error: There are needless trailing bytes.\n", 1);
            // Cut by one byte: the end is missing.
            const ToolResult cut = trilloOn(withoutLast(exact, 1), feed);
            EXPECT_EQ(cut.err, "Error: Unexpected file end.\n");
            EXPECT_EQ(cut.status, 1);
        }
    }
}

TEST(Cli, OutputThatCannotBeWritten) {
    TempDir dir;
    const std::string input = dir.write("input.vsq", workedExample());
    ToolOptions closed;
    closed.closeStdout = true;
    expectResult(trillo({input}, closed), "", "Error: cannot write file.\n", 1);
#ifndef _WIN32
    ToolOptions toFull;
    toFull.stdoutPath = "/dev/full";
    expectResult(trillo({input}, toFull), "", "Error: cannot write file.\n", 1);
#endif
}

#ifndef _WIN32 // full devices
// Output goes out in blocks of 64 KiB: a dump shorter than that into a full
// device fails only at the end, so a failure of the input met before is what
// the tool reports; a longer one fails when its first block goes out.
TEST(Cli, AFullDeviceFailsWhenABlockGoesOut) {
    const auto textOf = [](std::size_t bytes) {
        std::string text = "[S]\n";
        while (text.size() < bytes) text += "key=" + std::string(60, 'v') + "\n";
        return text;
    };
    ToolOptions toFull;
    toFull.stdoutPath = "/dev/full";
    for (std::size_t bytes : {std::size_t{5000}, std::size_t{60000}}) {
        SCOPED_TRACE(bytes);
        const Bytes file = oneVoice(dmTrack(textOf(bytes)));
        expectResult(trilloOn(concat({file, {0}}), toFull), "", "Error: There are needless trailing bytes.\n", 1);
        expectResult(trilloOn(oneVoice(dmTrack(textOf(bytes) + "=x\n")), toFull), "", "Error: exception caught.\n", 1);
        expectResult(trilloOn(file, toFull), "", "Error: cannot write file.\n", 1);
    }
    expectResult(trilloOn(concat({oneVoice(dmTrack(textOf(70000))), {0}}), toFull), "", "Error: cannot write file.\n",
                 1);
    // Both streams into one file: the error line comes after the dump's
    // first whole block, and the rest of the dump after it.
    const std::string text = textOf(100000);
    ToolOptions oneFile;
    oneFile.errorToOutput = true;
    const ToolResult both = trilloOn(oneVoice(dmTrack(text + "=x\n")), oneFile);
    const std::string dump = kMaster + "[Track01]\n" + text;
    ASSERT_GT(dump.size(), 65536u);
    EXPECT_EQ(both.out, dump.substr(0, 65536) + "Error: exception caught.\n" + dump.substr(65536));
    EXPECT_EQ(both.status, 1);
}

// Standard error that cannot be written changes neither the dump nor the status.
TEST(Cli, StandardErrorThatCannotBeWritten) {
    ToolOptions errToFull;
    errToFull.stderrPath = "/dev/full";
    expectResult(trilloOn(workedExample(), errToFull), kWorkedExampleDump, "", 0);
    expectResult(trilloOn(concat({workedExample(), {0}}), errToFull), kWorkedExampleDump, "", 1);
    expectResult(trilloOn({}, errToFull), "", "", 1);
}

#endif

#if !defined(TRILLO_SANITIZED) && !defined(_WIN32)
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
    const Bytes input =
        smf(Header(), {Track().sysex(0, body).tempo(0, 500000).timeSignature(0, 4, 2), dmTrack("[S]\nk=v\n")});
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
