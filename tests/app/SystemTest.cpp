// What the programs take from the system and give back to it, the same on
// every system: file names as the user typed them, every byte of standard
// input and output unchanged, and trillo-pack's output file.
#include <gtest/gtest.h>

#include "Cases.h"
#include "RunTool.h"
#include "SmfWriter.h"

namespace {

using namespace Fixture;

const std::string kTrillo = TRILLO_BINARY;
const std::string kPack = TRILLO_PACK_BINARY;
const std::string kPackUsage = "usage: trillo-pack [-o FILE] [DUMP]\n";

void expectResult(const ToolResult& result, const std::string& out, const std::string& err, int status) {
    EXPECT_EQ(result.out, out);
    EXPECT_EQ(result.err, err);
    EXPECT_EQ(result.status, status);
}

// Names with blanks, with letters beyond any one code page, and with a
// character beyond the 16-bit range (a surrogate pair on Windows).
const char* const kNames[] = {
    "song with blanks.vsq",
    "chanson \xC3\xA9t\xC3\xA9 \xC3\xB1.vsq",                    // "chanson été ñ.vsq"
    "\xE6\xAD\x8C \xD0\xBF\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F.vsq", // "歌 песня.vsq"
    "\xF0\x9F\x8E\xB5.vsq",                                      // a musical note, U+1F3B5
};

// Texts that a text-mode stream would change: CR LF pairs, a lone CR, the
// byte 0x1A that ends a text stream on Windows, and bytes above 0x7F.
Bytes fileOfAwkwardBytes() {
    return oneVoice(dmTrack("[S]\nk=a\r\nb=v\x1A"
                            "end\r\n[T\x1A]\nc=\xFF\xFE\r\r\n",
                            9));
}

TEST(System, NamesAsTyped) {
    const Bytes file = workedExample();
    for (const char* name : kNames) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string path = dir.write(name, file);
        expectResult(runTool(kTrillo, {path}), kWorkedExampleDump, "", 0);
        const std::string dump = dir.write(std::string(name) + ".txt", bytesOf(kWorkedExampleDump));
        const std::string output = dir.path() + "/out " + name;
        expectResult(runTool(kPack, {"-o", output, dump}), "", "", 0);
        expectResult(runTool(kTrillo, {output}), kWorkedExampleDump, "", 0);
        // Relative names, from the working directory.
        ToolOptions inDir;
        inDir.workingDirectory = dir.path();
        expectResult(runTool(kTrillo, {name}, inDir), kWorkedExampleDump, "", 0);
    }
    TempDir dir;
    expectResult(runTool(kTrillo, {dir.path() + "/" + kNames[2]}), "", "Error: cannot open file.\n", 1);
    expectResult(runTool(kPack, {dir.path() + "/" + kNames[2]}), "", "trillo-pack: cannot open the dump\n", 1);
}

// Standard input and output pass every byte: the dump of a file read through
// "-" is the one the reader makes in this process, byte for byte, and its
// dump packed from standard input to standard output is the file again.
TEST(System, StandardStreamsAreBinary) {
    const Bytes file = fileOfAwkwardBytes();
    const InProcess inProcess = dumpInProcess(file);
    ASSERT_EQ(inProcess.message, "");
    ASSERT_NE(inProcess.out.find("k=a\r\n"), std::string::npos);
    TempDir dir;
    ToolOptions fromFile;
    fromFile.stdinPath = dir.write("input.vsq", file);
    expectResult(runTool(kTrillo, {"-"}, fromFile), inProcess.out, "", 0);
    ToolOptions fromPipe;
    fromPipe.stdinBytes = file;
    expectResult(runTool(kTrillo, {"-"}, fromPipe), inProcess.out, "", 0);

    ToolOptions dumpFromPipe;
    dumpFromPipe.stdinBytes = bytesOf(inProcess.out);
    const ToolResult packed = runTool(kPack, {}, dumpFromPipe);
    EXPECT_EQ(packed.err, "");
    EXPECT_EQ(packed.status, 0);
    ToolOptions packedFromPipe;
    packedFromPipe.stdinBytes = bytesOf(packed.out);
    expectResult(runTool(kTrillo, {"-"}, packedFromPipe), inProcess.out, "", 0);
}

// Every error line ends in one "\n", on standard error as on a shared stream
// (where it comes before the short dump that waits in the output's buffer).
TEST(System, ErrorLinesEndInOneNewline) {
    TempDir dir;
    const std::string bad = dir.write("bad.vsq", concat({workedExample(), {0}}));
    ToolOptions oneStream;
    oneStream.errorToOutput = true;
    expectResult(runTool(kTrillo, {bad}, oneStream),
                 "Error: There are needless trailing bytes.\n" + std::string(kWorkedExampleDump), "", 1);
    expectResult(runTool(kTrillo, {}, oneStream), "usage: trillo <file>\n", "", 1);
    expectResult(runTool(kPack, {"a", "b"}, oneStream), kPackUsage, "", 1);
}

// trillo-pack -o FILE writes the file itself; a dump with a fault creates no
// file and leaves one that was there as it was.
TEST(System, PackIntoAFile) {
    TempDir dir;
    const std::string dump = dir.write("dump.txt", bytesOf(kWorkedExampleDump));
    const ToolResult toStdout = runTool(kPack, {dump});
    ASSERT_EQ(toStdout.status, 0);
    for (const char* option : {"-o", "--output"}) {
        SCOPED_TRACE(option);
        const std::string output = dir.path() + "/" + option + ".vsq";
        expectResult(runTool(kPack, {option, output, dump}), "", "", 0);
        EXPECT_EQ(readFile(output), toStdout.out);
        // After the dump, and from standard input.
        expectResult(runTool(kPack, {dump, option, output + "2"}), "", "", 0);
        EXPECT_EQ(readFile(output + "2"), toStdout.out);
        ToolOptions fromFile;
        fromFile.stdinPath = dump;
        expectResult(runTool(kPack, {option, output + "3"}, fromFile), "", "", 0);
        EXPECT_EQ(readFile(output + "3"), toStdout.out);
    }
    expectResult(runTool(kPack, {"-o", "-", dump}), toStdout.out, "", 0);

    const std::string faulty = dir.write("faulty.txt", bytesOf("[Master]\nNumVoices=1\n"));
    const std::string fresh = dir.path() + "/fresh.vsq";
    expectResult(runTool(kPack, {"-o", fresh, faulty}), "",
                 "trillo-pack: line 3: expected Division= and the ticks per quarter note, 0 to 32767\n", 1);
    EXPECT_FALSE(fileExists(fresh));
    const std::string kept = dir.write("kept.vsq", bytesOf("kept"));
    expectResult(runTool(kPack, {"-o", kept, faulty}), "",
                 "trillo-pack: line 3: expected Division= and the ticks per quarter note, 0 to 32767\n", 1);
    EXPECT_EQ(readFile(kept), "kept");
    expectResult(runTool(kPack, {"-o", kept, dir.path() + "/missing.txt"}), "", "trillo-pack: cannot open the dump\n",
                 1);
    EXPECT_EQ(readFile(kept), "kept");

    const std::string noFolder = dir.path() + "/no folder/out.vsq";
    expectResult(runTool(kPack, {"-o", noFolder, dump}), "", "trillo-pack: cannot open the output file\n", 1);
    EXPECT_FALSE(fileExists(noFolder));
}

TEST(System, PackCommandLines) {
    TempDir dir;
    const std::string dump = dir.write("dump.txt", bytesOf(kWorkedExampleDump));
    const std::vector<std::string> wrong[] = {
        {"-o"},
        {dump, "-o"},
        {"-o", "a", "-o", "b", dump},
        {"--output", "a", "--output", "b"},
        {dump, dump},
        {"-o", "a", dump, dump},
        {"--help", dump},
        {dump, "--version"},
    };
    for (const auto& args : wrong) {
        SCOPED_TRACE(args.size());
        expectResult(runTool(kPack, args), "", kPackUsage, 1);
    }
    // A dump named -o is reached by its path.
    dir.write("-o", bytesOf(kWorkedExampleDump));
    ToolOptions inDir;
    inDir.workingDirectory = dir.path();
    expectResult(runTool(kPack, {"-o", "out.vsq", "./-o"}, inDir), "", "", 0);
    EXPECT_EQ(readFile(dir.path() + "/out.vsq").substr(0, 4), "MThd");
}

// A tempo map whose events lie more than a delta time apart, through events
// that the dump leaves out, and run past tick 2^32 - 1: its dump packs into a
// file that dumps the same.
TEST(System, LongTempoStepsPackBack) {
    Track tempoMap;
    tempoMap.tempo(0, 500000).text(0x0FFFFFFF, "").text(0x0FFFFFFF, "a text").tempo(5, 400000);
    tempoMap.note(0x0FFFFFFF, 60).note(0x0FFFFFFF, 61).timeSignature(0x0FFFFFFF, 3, 2);
    // Past tick 2^32 - 1, which the dump shows modulo 2^32: a tick going back.
    for (int i = 0; i < 12; ++i) tempoMap.note(0x0FFFFFFF, 62);
    tempoMap.tempo(100, 600000).endOfTrack();
    const Bytes file = smf(Header(), {tempoMap, dmTrack("[S]\nk=v\n")});
    TempDir dir;
    const ToolResult dumped = runTool(kTrillo, {dir.write("long.vsq", file)});
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_NE(dumped.out.find("\n536870915=Tempo:150.00\n1342177280=Time:3/4:24:8\n268435544=Tempo:100.00\n"),
              std::string::npos)
        << dumped.out;
    const std::string output = dir.path() + "/packed.vsq";
    expectResult(runTool(kPack, {"-o", output, dir.write("long.txt", bytesOf(dumped.out))}), "", "", 0);
    expectResult(runTool(kTrillo, {output}), dumped.out, "", 0);
}

} // namespace
