#include "Cases.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include <orbt/ByteSink.h>
#include <trillo/DumpWriter.h>
#include <trillo/Errors.h>
#include <trillo/FileSource.h>
#include <trillo/ReadLoop.h>

namespace Fixture {

namespace {

// The bytes in blocks of the tool's size, as FileSource hands out a file.
class MemorySource {
public:
    explicit MemorySource(const Bytes& bytes) : next_(bytes.data()), left_(bytes.size()) {}

    void fill() {
        if (!range.empty()) return;
        const std::size_t count = std::min<std::size_t>(left_, Trillo::FileSource::kBlockSize);
        range.cursor = next_;
        range.count = static_cast<std::uint32_t>(count);
        next_ += count;
        left_ -= count;
    }

    OrbT::ByteRange range;

private:
    const std::uint8_t* next_;
    std::size_t left_;
};

// A valid case whose dump is the one made in this process.
Case valid(std::string what, Bytes input) {
    const InProcess run = dumpInProcess(input);
    if (!run.message.empty()) throw std::logic_error("the valid case \"" + what + "\" fails: " + run.message);
    return {std::move(what), std::move(input), run.out, "", ""};
}

// A case of any outcome, as this process reads it.
Case asRead(std::string what, Bytes input) {
    InProcess run = dumpInProcess(input);
    return {std::move(what), std::move(input), std::move(run.out), std::move(run.message), std::move(run.kind)};
}

std::string masterOf(int voices) {
    return "[Master]\nNumVoices=" + std::to_string(voices) +
           "\nDivision=480\n[TempoMap]\n0=Tempo:120.00\n0=Time:4/4:24:8\n\n";
}

const std::string kLead =
    "[Voice]\nName=Lead\nColour=181,162,123\n[Notes]\n0=note 60 length 480 syllable la\n"
    "1920=note 62 length 480 syllable li\n2400=end\n[Expression]\nComment=a = b, [not a section]\n";

// Names, keys and values of one length whose ends agree, and ones that differ
// only in length or in one byte, alternating.
std::string textsAlikeButInTheMiddle() {
    std::vector<std::string> texts;
    for (std::size_t n : {8, 10})
        for (std::size_t m : {8, 13}) texts.push_back(std::string(n, 'a') + "x" + std::string(m, 'b'));
    for (const char* text : {"", "=", "v", "vv"}) texts.push_back(text);
    std::vector<std::string> variants;
    for (const std::string& text : texts) {
        for (char c : {'x', 'y'}) {
            std::string variant = text;
            std::replace(variant.begin(), variant.end(), 'x', c);
            variants.push_back(variant);
        }
    }
    std::string out = "[" + variants[0] + "]\n";
    for (std::size_t round = 0; round < 3; ++round) {
        for (std::size_t i = 0; i < variants.size(); ++i) {
            out += std::string(1 + round, 'k') + variants[i] + "=" + variants[variants.size() - 1 - i] + "\n";
            if (i % 7 == 6) out += "[" + (variants[i].empty() ? std::string("s") : variants[i]) + "]\n";
        }
    }
    return out;
}

// Tempo events of 8 bytes that print as lines of about 26.
Bytes dumpLargerThanFile() {
    Track tempi;
    for (int i = 0; i < 30000; ++i) tempi.tempo(0x0FFFFFF, 1);
    return smf(Header(), {tempi.endOfTrack(), dmTrack("[S]\nk=v\n")});
}

// Numbers for the generated files: the same from every compiler and library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15u + 1) {}

    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }
    bool chance(double p) { return static_cast<double>(next() >> 11) / 9007199254740992.0 < p; }
    template <class T>
    T pick(const std::vector<T>& choices) {
        return choices[below(static_cast<std::uint32_t>(choices.size()))];
    }

private:
    std::uint64_t next() { // splitmix64
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }

    std::uint64_t state_;
};

// INI-like text of about size bytes: sections, fields with empty values, "="
// and "[" in values, bytes above 0x7F, carriage returns, long lines; now and
// then the last line without its newline.
std::string randomText(Random& random, std::size_t size) {
    std::string text;
    bool first = true;
    while (text.size() < size) {
        if (!first) text += '\n';
        if (first || random.chance(0.15)) {
            const std::string names[] = {"Common", "Note#" + std::to_string(random.below(10000)), "\xE6\xAD\x8C",
                                         "a b"};
            text += "[" + names[random.below(4)] + "]";
        } else {
            const std::string keys[] = {"Name", "Tick", "k", "Dyn\x81", std::to_string(random.below(100000)), " sp "};
            const std::string values[] = {"",
                                          "=",
                                          "a=b=c",
                                          "[x]",
                                          "\xFF\xFE",
                                          "v\r",
                                          std::string(random.below(300), 'x'),
                                          std::to_string(static_cast<int>(random.below(19998)) - 9999)};
            const std::string& key = keys[random.below(6)];
            text += key + "=" + values[random.below(8)];
        }
        first = false;
    }
    if (random.chance(0.8)) text += '\n';
    return text;
}

// Frame numbers in order, with some neighbours swapped, and now and then
// frame 0 last: everything waits for it.
std::vector<std::size_t> shuffledOrder(Random& random, std::size_t count) {
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i) order[i] = i;
    for (std::size_t i = 0; i + 1 < count; ++i)
        if (random.chance(0.2)) std::swap(order[i], order[i + 1]);
    if (count > 3 && random.chance(0.5)) std::rotate(order.begin(), order.begin() + 1, order.end());
    return order;
}

// Tempo changes and time signatures of any value, with ticks that wrap, and
// set-tempo events too short to be one, which the reader passes over.
Track generatedMaster(Random& random) {
    Track track;
    track.meta(0, 0x03, "Master Track");
    const std::vector<std::uint32_t> deltas = {0, 1, 480, 0x0FFFFFFF};
    for (std::uint32_t events = random.below(8); events > 0; --events) {
        const std::uint32_t delta = random.pick(deltas);
        if (random.chance(0.5)) {
            const std::vector<std::uint32_t> tempi = {0, 1, 500000, 461538, 0xFFFFFF, 1 + random.below(0xFFFFFF)};
            track.tempo(delta, random.pick(tempi));
        } else {
            const auto numerator = static_cast<std::uint8_t>(random.below(256));
            track.timeSignature(delta, numerator, static_cast<std::uint8_t>(random.below(40)));
        }
        if (random.chance(0.3)) track.meta(0, 0x51, "\x07", 1);
    }
    return track.endOfTrack();
}

// Frames of one size, some out of order, between notes (with and without
// their status), system exclusive events and text that is no frame.
Track generatedVoice(Random& random) {
    const std::string text = randomText(random, random.pick(std::vector<std::size_t>{10, 200, 3000, 20000}));
    const std::vector<std::string> frames = dmFrames(text, random.pick(std::vector<std::size_t>{1, 7, 64, 200, 247}));
    Track track;
    track.meta(0, 0x03, "Voice");
    bool statusSent = false;
    for (std::size_t number : shuffledOrder(random, frames.size())) {
        track.text(random.chance(0.5) ? 0 : 5, frames[number]);
        const std::uint32_t choice = random.below(100);
        if (choice < 10) {
            track.note(10, 60);
            statusSent = true;
        } else if (choice < 20 && statusSent) {
            track.running(10, 60, 0);
        } else if (choice < 25) {
            std::string data;
            for (std::uint32_t i = random.below(50); i > 0; --i) data += "\x43\x10";
            track.sysex(0, data);
        } else if (choice < 30) {
            track.text(0, "not a frame");
        }
    }
    return track.endOfTrack();
}

// A file of about megabytes MB: 8 voices of numbered note sections, each
// with a pitch curve, in frames of 119 bytes.
Bytes largeVsq(std::size_t megabytes) {
    const std::size_t voices = 8;
    const std::size_t perVoice = megabytes * 1000000 / voices;
    const char* const syllables[] = {"la", "li", "lu", "le", "lo"};
    std::vector<std::string> texts;
    for (std::size_t voice = 0; voice < voices; ++voice) {
        std::string text = "[Voice]\nName=voice " + std::to_string(voice + 1) + "\n";
        for (std::size_t note = 0; text.size() < perVoice; ++note) {
            char number[16];
            std::snprintf(number, sizeof number, "%06zu", note);
            const std::size_t tick = note * 480;
            text += std::string("[Note#") + number + "]\nTick=" + std::to_string(tick) +
                    "\nKey=" + std::to_string(48 + (note * 7 + voice) % 24) +
                    "\nLength=" + std::to_string(240 + note % 4 * 120) + "\nSyllable=" + syllables[note % 5] +
                    "\n[Curve#" + number + "]\n" + std::to_string(tick) + "=" +
                    std::to_string(static_cast<long>(note * 37 % 200) - 100) + "\n" + std::to_string(tick + 240) +
                    "=0\n";
        }
        texts.push_back(text);
    }
    return vsqFile(texts, 480, 119);
}

} // namespace

std::string nameOf(const std::string& what) {
    std::string name;
    bool gap = false;
    for (char c : what) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        const bool capital = c >= 'A' && c <= 'Z';
        if (!letter && !capital) {
            gap = true;
            continue;
        }
        if (gap && !name.empty()) name += '-';
        gap = false;
        name += capital ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return name;
}

const Case& caseNamed(const std::vector<Case>& cases, const std::string& what) {
    for (const Case& c : cases)
        if (c.what == what) return c;
    throw std::out_of_range("no case \"" + what + "\"");
}

InProcess dumpInProcess(const Bytes& bytes) {
    OrbT::StringSink sink;
    Trillo::DumpWriter writer(sink);
    MemorySource source(bytes);
    InProcess result;
    try {
        Trillo::readAll(source, writer);
    } catch (...) {
        const Trillo::ErrorText text = Trillo::describeCurrentError();
        result.message = text.message;
        result.kind = text.kind != nullptr ? text.kind : "";
    }
    writer.flush();
    result.out = sink.text;
    return result;
}

const std::string kMaster = masterOf(1);

Track master() { return Track().tempo(0, 500000).timeSignature(0, 4, 2).endOfTrack(); }

Bytes oneVoice(const Track& voice, const Header& header) { return smf(header, {master(), voice}); }

Bytes withoutLast(Bytes bytes, std::size_t n) {
    bytes.resize(bytes.size() - n);
    return bytes;
}

std::string blocksText(std::size_t blocks) {
    for (std::size_t pad = 0;; ++pad) {
        const std::string text = "[S]\nk=" + std::string(pad, 'v') + "\n";
        const std::size_t size = oneVoice(dmTrack(text)).size();
        if (size == blocks * 1024) return text;
        if (size > blocks * 1024) throw std::logic_error("no such size");
    }
}

Bytes fileOfBlocks(std::size_t blocks) { return oneVoice(dmTrack(blocksText(blocks))); }

// A voice of forty notes and, when edited, the same with four known changes
// (for comparing two versions): Name Lead becomes Solo, [Note#10] and its
// three fields go, Note#25's key becomes 72, and [Expression] Volume=90 is
// added at the end.
std::string fortyNotes(bool edited) {
    std::string text = std::string("[Voice]\nName=") + (edited ? "Solo" : "Lead") + "\n";
    for (int note = 0; note < 40; ++note) {
        if (edited && note == 10) continue;
        const int key = edited && note == 25 ? 72 : 48 + note % 12;
        text += "[Note#" + std::to_string(note) + "]\nTick=" + std::to_string(note * 480) +
                "\nKey=" + std::to_string(key) + "\nLength=240\n";
    }
    if (edited) text += "[Expression]\nVolume=90\n";
    return text;
}

// A master track of a thousand tempos, one every 480 ticks, and a time
// signature every hundred of them.
Bytes thousandTempos() {
    Track track;
    for (std::uint32_t i = 0; i < 1000; ++i) {
        if (i % 100 == 0) track.timeSignature(i == 0 ? 0 : 480, static_cast<std::uint8_t>(2 + i / 100 % 5), 2);
        track.tempo(i % 100 == 0 ? 0 : 480, 400000 + (i * 7919) % 300000);
    }
    return smf(Header(), {track.endOfTrack(), dmTrack("[S]\nk=v\n")});
}

std::vector<Case> validCases() {
    Header division0, division96;
    division0.division = 0;
    division96.division = 96;
    std::vector<std::string> manyVoices;
    for (int voice = 0; voice < 12; ++voice)
        manyVoices.push_back("[Voice]\nNumber=" + std::to_string(voice) + "\n[Notes]\n" + std::to_string(voice * 10) +
                             "=x\n");
    std::string manyFields = "[S]\n";
    for (int i = 0; i < 150; ++i) manyFields += "field=some value\n";
    std::string longValue = "[Long]\nshort=1\nlong=";
    for (int i = 0; i < 300; ++i) longValue += "0123456789";
    std::string valueAcrossFrames = "[S]\nk=";
    for (int i = 0; i < 2000; ++i) valueAcrossFrames += "0123456789";

    std::vector<Case> cases = {
        {"the worked example", workedExample(), kWorkedExampleDump, "", ""},
        {"an infinite tempo",
         smf(Header(), {Track().tempo(0, 0).tempo(480, 500000).endOfTrack(), dmTrack("[S]\nk=v\n")}),
         "[Master]\nNumVoices=1\nDivision=480\n[TempoMap]\n0=Tempo:inf\n480=Tempo:120.00\n\n[Track01]\n[S]\nk=v\n", "",
         ""},
        valid("a busy master track", smf(Header(), {Track()
                                                        .meta(0, 0x03, "Master Track")
                                                        .timeSignature(0, 4, 2)
                                                        .tempo(0, 500000)
                                                        .tempo(1920, 461538)
                                                        .timeSignature(1920, 3, 2)
                                                        .tempo(0x0FFFFFFF, 1)
                                                        .timeSignature(7, 6, 3)
                                                        .tempo(1, 0xFFFFFF)
                                                        .endOfTrack(),
                                                    dmTrack(kLead, 48)})),
        valid("frames out of order", oneVoice(dmTrack(kLead, 16, {1, 0, 2, 4, 3, 6, 5, 7, 8, 9, 10}))),
        valid("frames of one byte", oneVoice(dmTrack(kLead, 1))),
        valid("one frame per text", oneVoice(dmTrack(kLead, 240))),
        valid("notes and system exclusive among the frames", oneVoice(Track()
                                                                          .note(0, 60)
                                                                          .text(0, "DM:0000:[S]\na=1\n")
                                                                          .running(10, 60, 0)
                                                                          .sysex(0, "xyz")
                                                                          .channel(0, 0xC0, 5)
                                                                          .text(3, "DM:0001:b=2\n")
                                                                          .endOfTrack())),
        valid("empty values, equals signs and a last line without newline",
              oneVoice(dmTrack("[S]\nempty=\nformula=a=b=c\n[T]\nlast=line"))),
        valid("long values across frames and blocks", oneVoice(dmTrack(longValue + "\nafter=2\n", 100))),
        valid("a value across many frames", vsqFile({valueAcrossFrames + "\n"}, 480, 3)),
        valid("many voices at another division", vsqFile(manyVoices, 96)),
        valid("a division of 0", smf(division0, {master(), dmTrack("[S]\nk=v\n")})),
        // "Grüße" and "ら" in UTF-8.
        valid("UTF-8 text", oneVoice(dmTrack("[Stimme]\nName=Gr\xC3\xBC\xC3\x9F"
                                             "e\nSilbe=\xE3\x82\x89\n",
                                             5))),
        // "あい" in Shift_JIS.
        valid("Shift_JIS bytes", oneVoice(dmTrack("[Lyric]\nL0=\x82\xA0\x82\xA2\n", 7))),
        // "[歌]", "歌詞=あ" in code page 932, and lines of ASCII.
        valid("code page 932 text", oneVoice(dmTrack("[\x89\xCC]\n\x89\xCC\x8E\x8C=\x82\xA0\nName=\nA=b=c\n", 5))),
        valid("keys and sections repeated",
              smf(Header(), {Track().tempo(0, 600000).endOfTrack(), dmTrack("[S]\nk=1\nk=2\na=\n[S]\nk=3\n")})),
        valid("texts alike but in the middle",
              smf(Header(), {Track().tempo(0, 500000).endOfTrack(), dmTrack(textsAlikeButInTheMiddle(), 5)})),
        valid("a tempo map out of tick order",
              smf(division96,
                  {Track().timeSignature(0, 6, 3).tempo(960, 400000).tempo(0, 0).timeSignature(480, 2, 1).endOfTrack(),
                   dmTrack("[S]\n")})),
        valid("many fields over two blocks", oneVoice(dmTrack(manyFields, 100))),
        valid("a dump three times as large as its file", dumpLargerThanFile()),
        valid("a song before an edit", vsqFile({fortyNotes(false)})),
        valid("the song after the edit", vsqFile({fortyNotes(true)})),
        valid("a thousand tempos", thousandTempos()),
    };
    for (std::size_t blocks : {1, 2, 5})
        cases.push_back(valid("a file of exactly " + std::to_string(blocks) + " blocks", fileOfBlocks(blocks)));
    return cases;
}

std::vector<Case> errorCases() {
    Header format0, format2, format3, format65535, oneTrack, smpte, shortHeader, badMagic;
    format0.format = 0;
    format2.format = 2;
    format3.format = 3;
    format65535.format = 65535;
    oneTrack.tracks = 1;
    smpte.division = 0xE728;
    shortHeader.length = 5;
    badMagic.magic = "RIFF";
    const Bytes full = oneVoice(dmTrack("[S]\nk=v\n"));
    const std::string head = kMaster + "[Track01]\n";
    Track overrun = dmTrack("[S]\nk=v\n").raw({0x00, 0x90, 0x3C, 0x40});
    overrun.declaredLength(static_cast<std::uint32_t>(overrun.data().size() - 1)); // the note's last byte is outside
    const Bytes blocks = fileOfBlocks(2);
    const Bytes deltaOf4Bytes = varNumber(0x0FFFFFFF);
    const Bytes deltaOf5Bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
    return {
        {"empty file", {}, "", "Unexpected file end.\n", "UnexpectedFileEnd"},
        {"bad magic", oneVoice(dmTrack("[S]\n"), badMagic), "", "Illegal SMF magic.\n", "IllegalMagic"},
        {"bad track magic", oneVoice(dmTrack("[S]\n").magic("MTrK")), kMaster, "Illegal SMF magic.\n", "IllegalMagic"},
        {"short header", oneVoice(dmTrack("[S]\n"), shortHeader), "", "Too short SMF header.\n", "TooShortHeader"},
        {"format 0", oneVoice(dmTrack("[S]\n"), format0), "", "Illegal SMF Format (Format 1 required).\n",
         "IllegalSMFFormat"},
        {"format 2", oneVoice(dmTrack("[S]\n"), format2), "", "Illegal SMF Format (Format 1 required).\n",
         "IllegalSMFFormat"},
        {"format 3", oneVoice(dmTrack("[S]\n"), format3), "", "Illegal SMF Format (Format 1 required).\n",
         "IllegalSMFFormat"},
        {"format 65535", oneVoice(dmTrack("[S]\n"), format65535), "", "Illegal SMF Format (Format 1 required).\n",
         "IllegalSMFFormat"},
        {"one track", oneVoice(dmTrack("[S]\n"), oneTrack), "", "Too few number of tracks.\n", "TooFewTracks"},
        {"SMPTE division", oneVoice(dmTrack("[S]\n"), smpte), "", "SMPTE style division is not supported.\n",
         "DivisionNotSupported"},
        {"cut inside the header", withoutLast(full, full.size() - 10), "", "Unexpected file end.\n",
         "UnexpectedFileEnd"},
        {"cut inside the master track", withoutLast(full, full.size() - 30),
         "[Master]\nNumVoices=1\nDivision=480\n[TempoMap]\n0=Tempo:120.00\n", "Unexpected file end.\n",
         "UnexpectedFileEnd"},
        {"cut inside a voice track's chunk header", withoutLast(full, 28), kMaster, "Unexpected file end.\n",
         "UnexpectedFileEnd"},
        {"cut inside a voice track's text", withoutLast(full, 6), head, "Unexpected file end.\n", "UnexpectedFileEnd"},
        {"cut after a voice track's text", withoutLast(full, 3), head + "[S]\nk=v\n", "Unexpected file end.\n",
         "UnexpectedFileEnd"},
        {"chunk overrun", oneVoice(overrun), head + "[S]\nk=v\n", "SMF data error - track chunk overrun.\n",
         "ChunkOverrun"},
        {"a huge announced system exclusive",
         oneVoice(dmTrack("[S]\n").raw({0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0x01})), head + "[S]\n",
         "SMF data error - track chunk overrun.\n", "ChunkOverrun"},
        {"no status for running status", oneVoice(dmTrack("[S]\n").raw({0x00, 0x3C, 0x40})), head + "[S]\n",
         "SMF data error - illegal running status.\n", "IllegalRunningStatus"},
        {"a system message", oneVoice(dmTrack("[S]\n").raw({0x00, 0xF2, 0x00, 0x00})), head + "[S]\n",
         "SMF data error - raw system message is disallowed.\n", "IllegalSystemMessage"},
        {"an over-long number", oneVoice(dmTrack("[S]\n").raw({0x80, 0x80, 0x80, 0x80, 0x00, 0xFF, 0x2F, 0x00})),
         head + "[S]\n", "SMF data error - variable length integer overflow.\n", "TooLongVarInteger"},
        {"a delta time of 4 bytes, then 5",
         oneVoice(Track().raw(deltaOf4Bytes).raw({0xFF, 0x01, 0x06}).raw(bytesOf("DM:0:x")).raw(deltaOf5Bytes)), head,
         "SMF data error - variable length integer overflow.\n", "TooLongVarInteger"},
        {"a duplicated frame", oneVoice(Track().text(0, "DM:0:[S]\n").text(0, "DM:1:a=1\n").text(0, "DM:1:b=2\n")),
         head + "[S]\na=1\n", "Some DM frames lacked.\n", "DuplicatedDMFrame"},
        {"a negative frame", oneVoice(Track().text(0, "DM:0:[S]\n").text(0, "DM:-1:a=1\n")), head + "[S]\n",
         "Some DM frames lacked.\n", "DuplicatedDMFrame"},
        {"a missing frame", oneVoice(Track().text(0, "DM:0:[S]\n").text(0, "DM:2:b=2\n")), head + "[S]\n",
         "Some DM frames lacked.\n", "LackedDMFrame"},
        {"a malformed section", oneVoice(dmTrack("[S]\nk=v\n[T\n")), head + "[S]\nk=v\n", "exception caught.\n",
         "MalformedSectionName"},
        {"an empty section name", oneVoice(dmTrack("[S]\nk=v\n[]\n")), head + "[S]\nk=v\n", "exception caught.\n",
         "MalformedSectionName"},
        {"text after a section name", oneVoice(dmTrack("[S]\nk=v\n[T]x\n")), head + "[S]\nk=v\n", "exception caught.\n",
         "MalformedSectionName"},
        {"a field before a section", oneVoice(dmTrack("k=v\n[S]\n")), head, "exception caught.\n",
         "SectionIdentifierLacked"},
        {"a malformed field", oneVoice(dmTrack("[S]\nk\n")), head + "[S]\n", "exception caught.\n", "MalformedField"},
        {"an empty key", oneVoice(dmTrack("[S]\na=1\n=v\n")), head + "[S]\na=1\n", "exception caught.\n",
         "MalformedField"},
        {"a voice track without DM text", oneVoice(Track().text(0, "hello").endOfTrack()), head,
         "No DM frames - SMF, but not VSQ.\n", "NoText"},
        {"the second voice without DM text", smf(Header(), {master(), dmTrack("[S]\nk=v\n"), Track().endOfTrack()}),
         masterOf(2) + "[Track01]\n[S]\nk=v\n\n[Track02]\n", "No DM frames - SMF, but not VSQ.\n", "NoText"},
        {"trailing bytes", concat({full, {0}}), head + "[S]\nk=v\n", "There are needless trailing bytes.\n",
         "TrailingBytes"},
        {"two files joined", concat({full, full}), head + "[S]\nk=v\n", "There are needless trailing bytes.\n",
         "TrailingBytes"},
        {"a byte after two whole blocks", concat({blocks, {'x'}}), head + blocksText(2),
         "There are needless trailing bytes.\n", "TrailingBytes"},
        {"two whole blocks cut by one byte", withoutLast(blocks, 1), head + blocksText(2), "Unexpected file end.\n",
         "UnexpectedFileEnd"},
    };
}

std::vector<Case> generatedCases() {
    std::vector<Case> cases;
    for (std::uint64_t seed = 0; seed < 40; ++seed) {
        Random random(seed);
        std::vector<Track> tracks = {generatedMaster(random)};
        for (std::uint32_t voices = random.pick(std::vector<std::uint32_t>{1, 1, 2, 3, 16}); voices > 0; --voices)
            tracks.push_back(generatedVoice(random));
        Header header;
        header.division = static_cast<std::uint16_t>(random.pick(std::vector<std::uint32_t>{0, 1, 480, 0x7FFF}));
        header.extra.assign(random.pick(std::vector<std::size_t>{0, 0, 3}), 0);
        cases.push_back(valid("generated " + std::to_string(seed), smf(header, tracks)));
    }
    return cases;
}

std::vector<Case> cutCases(const Bytes& file, const std::string& fileName) {
    std::vector<Case> cases;
    for (std::size_t length = 0; length < file.size(); ++length)
        cases.push_back(asRead(fileName + " cut to " + std::to_string(length) + " bytes",
                               Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length))));
    return cases;
}

std::vector<Case> largeCases() {
    std::vector<Track> voices = {master()};
    std::string lines;
    for (int i = 0; i < 120000; ++i) lines += "key=value\n";
    for (int voice = 0; voice < 6; ++voice)
        voices.push_back(dmTrack("[V" + std::to_string(voice) + "]\n" + lines, 119));
    return {valid("six voices of 1.2 MB", smf(Header(), voices)), valid("a file of about 10 MB", largeVsq(10))};
}

} // namespace Fixture
