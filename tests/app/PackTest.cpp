// trillo-pack end to end: dumps of our own files written back and dumped
// again, generated dumps, and every fault with its line.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "RunTool.h"
#include "SmfWriter.h"

namespace {

using namespace Fixture;

const std::string kTrillo = TRILLO_BINARY;
const std::string kPack = TRILLO_PACK_BINARY;
const std::string kExamples = TRILLO_EXAMPLES;

void expectResult(const ToolResult& result, const std::string& out, const std::string& err, int status) {
    EXPECT_EQ(result.out, out);
    EXPECT_EQ(result.err, err);
    EXPECT_EQ(result.status, status);
}

std::string dumpOf(const std::string& file) {
    TempDir dir;
    const ToolResult result = runTool(kTrillo, {dir.write("input.vsq", bytesOf(file))});
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    return result.out;
}

ToolResult pack(const std::string& dump, const ToolOptions& options = {}) {
    TempDir dir;
    return runTool(kPack, {dir.write("dump.txt", bytesOf(dump))}, options);
}

// trillo f | trillo-pack | trillo prints what trillo f printed; and the
// written file is the writer's own: packing its dump gives it again.
void expectRoundTrip(const Bytes& file) {
    const std::string dump = dumpOf(textOf(file));
    const ToolResult packed = pack(dump);
    ASSERT_EQ(packed.err, "");
    ASSERT_EQ(packed.status, 0);
    EXPECT_EQ(dumpOf(packed.out), dump);
    EXPECT_EQ(pack(dumpOf(packed.out)).out, packed.out);
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return bytesOf(all.str());
}

TEST(Pack, RoundTripOnTheExamples) {
    for (const char* name : {"two-voices.vsq", "song.vsq"}) {
        SCOPED_TRACE(name);
        const Bytes file = readFile(kExamples + "/" + name);
        ASSERT_FALSE(file.empty());
        expectRoundTrip(file);
        // The dump from standard input, named "-" or not named at all.
        TempDir dir;
        ToolOptions fromStdin;
        fromStdin.stdinPath = dir.write("dump.txt", bytesOf(dumpOf(textOf(file))));
        const std::string written = pack(dumpOf(textOf(file))).out;
        expectResult(runTool(kPack, {"-"}, fromStdin), written, "", 0);
        expectResult(runTool(kPack, {}, fromStdin), written, "", 0);
    }
}

Track master() { return Track().tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack(); }

// A master track of every kind of tempo and time signature, with events that
// the dump does not show between them, and ticks that wrap past 2^32.
Track wideTempoMap() {
    Track track;
    track.meta(0, 0x03, "Master Track").note(0, 60);
    for (std::uint32_t m : {0u, 1u, 2u, 3u, 999u, 77459u, 77460u, 500000u, 461538u, 0xFFFFFFu})
        track.tempo(0, m).tempo(1, m);
    for (std::uint8_t exponent = 0; exponent < 40; ++exponent)
        track.timeSignature(exponent, static_cast<std::uint8_t>(exponent * 6), exponent);
    track.timeSignature(0, 255, 2).timeSignature(0, 0, 2, 96, 32).text(0, "not part of the tempo map");
    for (int i = 0; i < 17; ++i) track.tempo(0x0FFFFFFF, 400000 + static_cast<std::uint32_t>(i));
    std::mt19937 random(5);
    for (int i = 0; i < 200; ++i)
        track.tempo(static_cast<std::uint32_t>(random() % 5000), static_cast<std::uint32_t>(random() % 0x1000000));
    return track.endOfTrack();
}

TEST(Pack, RoundTripOnGeneratedFiles) {
    Header division0, division32767;
    division0.division = 0;
    division32767.division = 32767;
    std::vector<Track> manyVoices = {master()};
    for (int voice = 0; voice < 120; ++voice)
        manyVoices.push_back(dmTrack("[Voice]\nName=voice " + std::to_string(voice) + "\n"));
    const std::string longLine = "[S]\nlong=" + std::string(5000, 'L') + "\nshort=s\n";
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"many voices", smf(Header(), manyVoices)},
        {"long lines cut across small frames", smf(Header(), {master(), dmTrack(longLine, 7), dmTrack(longLine, 200)})},
        {"empty sections", smf(Header(), {master(), dmTrack("[A]\n[B]\n[C]\nk=v\n[D]\n[E]")})},
        {"a wide tempo map", smf(Header(), {wideTempoMap(), dmTrack("[S]\n")})},
        {"an empty tempo map", smf(Header(), {Track(), dmTrack("[S]\n")})},
        {"division 0", smf(division0, {master(), dmTrack("[S]\n")})},
        {"division 32767", smf(division32767, {master(), dmTrack("[S]\n")})},
        {"frames out of order, other events between them",
         smf(Header(), {master(), dmTrack("[S]\nk=v\nl=w\n[T]\nm=x\n", 5, {2, 0, 1, 3}).note(0, 60),
                        Track().text(0, "hello").text(0, "DM:0:[S]\n").note(5, 61).text(9, "DM:1:k=v").endOfTrack()})},
        {"values as they stand",
         smf(Header(), {master(), dmTrack("[Track02]\nk= a = b [c] \nk2=\r\n[ x ]\n\xE2\x99\xAA=\xFF\x80\n[[x]\n"),
                        dmTrack("[S]\n")})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectRoundTrip(c.file);
    }
}

// Dumps made up without any file, of random shapes.
std::string randomDump(std::mt19937& random) {
    const auto below = [&random](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
    const auto word = [&](std::uint32_t size, const std::string& excluded) {
        std::string text;
        while (text.size() < size) {
            const char c = static_cast<char>(1 + below(255));
            if (c != '\n' && excluded.find(c) == std::string::npos) text += c;
        }
        return text;
    };
    const std::uint32_t voices = 1 + below(12);
    std::string dump = "[Master]\nNumVoices=" + std::to_string(voices) + "\nDivision=" + std::to_string(below(32768)) +
                       "\n[TempoMap]\n";
    std::uint32_t tick = 0;
    for (std::uint32_t i = below(30); i > 0; --i) {
        // Steps of every length, past 2^32 too: long ones are bridged.
        tick += below(2) ? 0 : below(4) == 0 ? static_cast<std::uint32_t>(random()) : below(0x10000000);
        char line[64];
        if (below(2)) {
            // Tempos as the reader computes them, and two-decimal ones below 700.
            const double tempo = below(2) ? 60000000.0 / (1 + below(0xFFFFFF)) : (358 + below(70000 - 358)) / 100.0;
            std::snprintf(line, sizeof line, "%u=Tempo:%.2f\n", tick, tempo);
        } else {
            std::snprintf(line, sizeof line, "%u=Time:%u/%u:24:8\n", tick, below(256), 1u << below(32));
        }
        dump += line;
    }
    for (std::uint32_t voice = 1; voice <= voices; ++voice) {
        char heading[32];
        std::snprintf(heading, sizeof heading, "\n[Track%02u]\n", voice);
        dump += heading;
        for (std::uint32_t s = 1 + below(4); s > 0; --s) {
            dump += "[" + word(1 + below(20), "]") + "]\n";
            for (std::uint32_t f = below(6); f > 0; --f) {
                std::string key = word(1 + below(10), "=");
                if (key[0] == '[') key[0] = 'k';
                dump += key + "=" + word(below(below(8) == 0 ? 600 : 30), "") + "\n";
            }
        }
    }
    return dump;
}

TEST(Pack, RoundTripOnGeneratedDumps) {
    std::mt19937 random(18);
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE(round);
        const std::string dump = randomDump(random);
        const ToolResult packed = pack(dump);
        ASSERT_EQ(packed.err, "") << dump;
        EXPECT_EQ(dumpOf(packed.out), dump);
    }
}

// The dump of examples/two-voices.vsq with a tempo change, as lines.
const std::vector<std::string> kLines = {"[Master]",       "NumVoices=2",     "Division=480",      "[TempoMap]",
                                         "0=Tempo:120.00", "0=Time:4/4:24:8", "1920=Tempo:150.00", "",
                                         "[Track01]",      "[Alpha]",         "Name=first voice",  "",
                                         "[Track02]",      "[Alpha]",         "Level=70"};

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// The lines with lines first to last (from 1) replaced by the given ones.
std::string edited(std::size_t first, std::size_t last, const std::vector<std::string>& by) {
    std::vector<std::string> lines = kLines;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(first - 1),
                lines.begin() + static_cast<std::ptrdiff_t>(last));
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(first - 1), by.begin(), by.end());
    return joined(lines);
}

std::string replaced(std::size_t n, const std::vector<std::string>& by) { return edited(n, n, by); }

std::string withoutLastNewline(std::string dump) {
    dump.pop_back();
    return dump;
}

std::string firstLines(std::size_t count) {
    return joined(std::vector<std::string>(kLines.begin(), kLines.begin() + static_cast<std::ptrdiff_t>(count)));
}

// The dump that the faults below change is a good one.
TEST(Pack, TheFaultTablesDumpPacks) {
    const ToolResult packed = pack(joined(kLines));
    EXPECT_EQ(packed.err, "");
    EXPECT_EQ(dumpOf(packed.out), joined(kLines));
}

TEST(Pack, FaultsNameTheirLine) {
    const std::string syntax = "expected tick=Tempo:bpm or tick=Time:numerator/denominator:24:8";
    const std::string tempoForm = "a tempo has two decimals, as in 120.00, or is inf";
    const std::string voices = "expected NumVoices= and the number of voice tracks, 1 to 65534";
    const std::string division = "expected Division= and the ticks per quarter note, 0 to 32767";
    const std::string unreachable = "no tempo of 1 to 16777215 microseconds per quarter note prints as ";
    const std::string denominator = "a time signature's denominator must be a power of two from 1 to 2147483648";
    const std::string section = "a section line must be [name], with nothing after the ]";
    const std::string noSection = "a voice track needs at least one section line";
    const struct {
        const char* name;
        std::string dump;
        std::size_t line;
        std::string what;
    } cases[] = {
        {"an empty dump", "", 1, "the dump must begin with the line [Master]"},
        {"no [Master]", replaced(1, {"[master]"}), 1, "the dump must begin with the line [Master]"},
        {"lines ended by CR LF", "[Master]\r\nNumVoices=2\r\n", 1, "the dump must begin with the line [Master]"},
        {"no NumVoices", replaced(2, {}), 2, voices},
        {"NumVoices=0", replaced(2, {"NumVoices=0"}), 2, voices},
        {"NumVoices=65535", replaced(2, {"NumVoices=65535"}), 2, voices},
        {"NumVoices=-1", replaced(2, {"NumVoices=-1"}), 2, voices},
        {"NumVoices with a blank", replaced(2, {"NumVoices=2 "}), 2, voices},
        {"Division=32768", replaced(3, {"Division=32768"}), 3, division},
        {"Division=-1", replaced(3, {"Division=-1"}), 3, division},
        {"Division=99999999999", replaced(3, {"Division=99999999999"}), 3, division},
        {"no Division", replaced(3, {"Division="}), 3, division},
        {"no [TempoMap]", replaced(4, {}), 4, "expected the line [TempoMap]"},
        {"a tempo without its colon", replaced(5, {"0=Tempo 120.00"}), 5, syntax},
        {"no tick", replaced(5, {"=Tempo:120.00"}), 5, syntax},
        {"a tick that is not a number", replaced(5, {"x=Tempo:120.00"}), 5, syntax},
        {"a tick of 2^32", replaced(5, {"4294967296=Tempo:120.00"}), 5, "a tick must be a number from 0 to 4294967295"},
        {"a line of another kind", replaced(6, {"0=Key:C"}), 6, syntax},
        {"a tempo without decimals", replaced(5, {"0=Tempo:120"}), 5, tempoForm},
        {"a tempo with one decimal", replaced(5, {"0=Tempo:120.0"}), 5, tempoForm},
        {"a tempo with a sign", replaced(5, {"0=Tempo:+120.00"}), 5, tempoForm},
        {"a tempo with a leading zero", replaced(5, {"0=Tempo:0120.00"}), 5, tempoForm},
        {"-inf", replaced(5, {"0=Tempo:-inf"}), 5, tempoForm},
        {"nan", replaced(5, {"0=Tempo:nan"}), 5, tempoForm},
        {"a tempo below 3.58", replaced(7, {"1920=Tempo:3.57"}), 7, unreachable + "3.57"},
        {"a tempo of 0", replaced(7, {"1920=Tempo:0.00"}), 7, unreachable + "0.00"},
        {"a tempo between two values", replaced(7, {"1920=Tempo:1000000.01"}), 7, unreachable + "1000000.01"},
        {"a time signature without :24:8", replaced(6, {"0=Time:4/4"}), 6, syntax},
        {"a time signature with :24:9", replaced(6, {"0=Time:4/4:24:9"}), 6, syntax},
        {"a time signature without a denominator", replaced(6, {"0=Time:4:24:8"}), 6, syntax},
        {"a time signature without a numerator", replaced(6, {"0=Time:/4:24:8"}), 6, syntax},
        {"numerator 256", replaced(6, {"0=Time:256/4:24:8"}), 6, "a time signature's numerator must be 0 to 255"},
        {"denominator 6", replaced(6, {"0=Time:3/6:24:8"}), 6, denominator},
        {"denominator 0", replaced(6, {"0=Time:3/0:24:8"}), 6, denominator},
        {"the end inside the tempo map", firstLines(7), 8,
         "the dump ends in [TempoMap]: a blank line and the voice tracks must follow"},
        {"no blank line after the tempo map", replaced(8, {}), 8, syntax},
        {"the end after the tempo map", firstLines(8), 9, "the dump ends before [Track01] (NumVoices=2)"},
        // Cut without the last newline: the fault is still after the last line.
        {"the end inside the master block, no last newline", "[Master]\nNumVoices=2", 3, division},
        {"the end inside the tempo map, no last newline", withoutLastNewline(firstLines(7)), 8,
         "the dump ends in [TempoMap]: a blank line and the voice tracks must follow"},
        {"the end after a heading, no last newline", withoutLastNewline(firstLines(13)), 13, noSection},
        // Only the numbers that trillo prints: no leading zero.
        {"NumVoices with a leading zero", replaced(2, {"NumVoices=02"}), 2, voices},
        {"Division with a leading zero", replaced(3, {"Division=0480"}), 3, division},
        {"a tick with a leading zero", replaced(7, {"01920=Tempo:150.00"}), 7,
         "a tick must be a number from 0 to 4294967295"},
        {"a numerator with a leading zero", replaced(6, {"0=Time:04/4:24:8"}), 6, syntax},
        {"no heading", replaced(9, {}), 9, "expected [Track01]"},
        {"the second heading first", replaced(9, {"[Track02]"}), 9, "expected [Track01]"},
        {"a heading of one digit", replaced(9, {"[Track1]"}), 9, "expected [Track01]"},
        {"headings out of order", replaced(13, {"[Track03]"}), 13, "expected [Track02]"},
        {"two blank lines", replaced(12, {"", ""}), 13, "expected [Track02]"},
        {"more tracks than NumVoices", replaced(2, {"NumVoices=1"}), 13, "more voice tracks than NumVoices=1"},
        {"fewer tracks than NumVoices", replaced(2, {"NumVoices=3"}), 16,
         "the dump ends before [Track03] (NumVoices=3)"},
        {"a blank line at the end", joined(kLines) + "\n", 16, "the dump ends with a blank line"},
        {"a track without lines", edited(10, 11, {}), 9, noSection},
        {"a track without lines at the end", firstLines(13), 13, noSection},
        {"a field before a section", replaced(10, {}), 10, "a field line comes before any section line"},
        {"a section line without ]", replaced(14, {"[Alpha"}), 14, section},
        {"a section line with more after ]", replaced(10, {"[Alpha]x"}), 10, section},
        {"an empty section name", replaced(10, {"[]"}), 10, section},
        {"a field without =", replaced(11, {"first voice"}), 11, "a field line needs a key before its ="},
        {"a field without a key", replaced(15, {"=70"}), 15, "a field line needs a key before its ="},
        {"a 0 byte", replaced(11, {std::string("Name=a\0b", 8)}), 11, "a line holds a 0 byte"},
        // The first fault in line order, whoever finds it.
        {"a numerator, then a heading",
         edited(6, 13, {"0=Time:256/4:24:8", "", "[Track01]", "[Alpha]", "", "[Track3]"}), 6,
         "a time signature's numerator must be 0 to 255"},
        {"a text, then the end", edited(11, 15, {"first voice"}), 11, "a field line needs a key before its ="},
        {"a heading, then a text", edited(9, 11, {"[Track02]", "k=v"}), 9, "expected [Track01]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectResult(pack(c.dump), "", "trillo-pack: line " + std::to_string(c.line) + ": " + c.what + "\n", 1);
    }
}

TEST(Pack, UsageAndFiles) {
    expectResult(runTool(kPack, {"a", "b"}), "", "usage: trillo-pack [-o FILE] [DUMP]\n", 1);
    expectResult(runTool(kPack, {"--help", "x"}), "", "usage: trillo-pack [-o FILE] [DUMP]\n", 1);
    TempDir dir;
    expectResult(runTool(kPack, {dir.path() + "/missing.txt"}), "", "trillo-pack: cannot open the dump\n", 1);
    const std::string dump = dir.write("dump.txt", bytesOf(joined(kLines)));
    ToolOptions closed;
    closed.closeStdout = true;
    expectResult(runTool(kPack, {dump}, closed), "", "trillo-pack: cannot write standard output\n", 1);
#ifndef _WIN32
    // A folder opens on POSIX systems, but does not read.
    expectResult(runTool(kPack, {dir.path()}), "", "trillo-pack: cannot read the dump\n", 1);
    ToolOptions toFull;
    toFull.stdoutPath = "/dev/full";
    expectResult(runTool(kPack, {dump}, toFull), "", "trillo-pack: cannot write standard output\n", 1);
    // An output file that cannot be written to its end is removed; a device
    // that the path names stays.
    ToolOptions smallFiles;
    smallFiles.fileSizeLimit = 100;
    const std::string output = dir.path() + "/out.vsq";
    expectResult(runTool(kPack, {"-o", output, dump}, smallFiles), "", "trillo-pack: cannot write the output file\n",
                 1);
    EXPECT_FALSE(fileExists(output));
    ASSERT_EQ(symlink("/dev/full", (dir.path() + "/full").c_str()), 0);
    expectResult(runTool(kPack, {"-o", dir.path() + "/full", dump}), "", "trillo-pack: cannot write the output file\n",
                 1);
    EXPECT_TRUE(fileExists(dir.path() + "/full"));
    // Nor a link to a regular file, which the user made.
    const std::string target = dir.write("target.vsq", bytesOf("old"));
    ASSERT_EQ(symlink(target.c_str(), (dir.path() + "/link.vsq").c_str()), 0);
    expectResult(runTool(kPack, {"-o", dir.path() + "/link.vsq", dump}, smallFiles), "",
                 "trillo-pack: cannot write the output file\n", 1);
    EXPECT_TRUE(fileExists(dir.path() + "/link.vsq"));
#endif
}

// The help and the version stand alone, on standard output, as trillo's do;
// a dump of that name is reached by its path.
TEST(Pack, HelpAndVersion) {
    const ToolResult help = runTool(kPack, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind("usage: trillo-pack [-o FILE] [DUMP]\n       trillo-pack --help | --version\n", 0), 0u)
        << help.out;
    EXPECT_NE(help.out.find("trillo-pack(1)"), std::string::npos);
    expectResult(runTool(kPack, {"--version"}), "trillo-pack " TRILLO_VERSION "\n", "", 0);
    ToolOptions closed;
    closed.closeStdout = true;
    for (const char* option : {"--help", "--version"}) {
        expectResult(runTool(kPack, {option}, closed), "", "trillo-pack: cannot write standard output\n", 1);
#ifndef _WIN32
        ToolOptions toFull;
        toFull.stdoutPath = "/dev/full";
        expectResult(runTool(kPack, {option}, toFull), "", "trillo-pack: cannot write standard output\n", 1);
#endif
    }
    TempDir dir;
    dir.write("--help", bytesOf(joined(kLines)));
    ToolOptions inDir;
    inDir.workingDirectory = dir.path();
    const ToolResult packed = runTool(kPack, {"./--help"}, inDir);
    EXPECT_EQ(packed.status, 0) << packed.err;
    EXPECT_EQ(packed.out.substr(0, 4), "MThd");
}

#ifndef _WIN32
// A dump of several MiB through a pipe, whose size is not known ahead.
TEST(Pack, LargeDumpThroughAPipe) {
    std::string text = "[Master]\nNumVoices=2\nDivision=480\n[TempoMap]\n\n[Track01]\n[S]\n";
    for (int i = 0; text.size() < (3u << 20); ++i)
        text += "key" + std::to_string(i) + "=" + std::string(i % 300, 'v') + "\n";
    text += "\n[Track02]\n[S]";
    TempDir dir;
    const std::string fifo = dir.path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        std::FILE* out = std::fopen(fifo.c_str(), "wb");
        const bool ok = out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size();
        _exit(ok && std::fclose(out) == 0 ? 0 : 1);
    }
    ToolOptions fromPipe;
    fromPipe.stdinPath = fifo;
    const ToolResult result = runTool(kPack, {}, fromPipe);
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(result.err, "");
    EXPECT_EQ(dumpOf(result.out), text + "\n");
}

#endif

#if !defined(TRILLO_SANITIZED) && !defined(_WIN32)
// The dump is held whole: one too large for the address space is an error
// line, not a crash.
TEST(Pack, RunningOutOfMemoryIsAnErrorLine) {
    std::string text = "[Master]\nNumVoices=1\nDivision=480\n[TempoMap]\n\n[Track01]\n[S]\n";
    text += "k=" + std::string(24u << 20, 'v') + "\n";
    ToolOptions small;
    small.addressSpaceLimit = 16L << 20;
    expectResult(pack(text, small), "", "trillo-pack: out of memory\n", 1);
}
#endif

} // namespace
