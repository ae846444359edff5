// Writes a seed corpus for the fuzz targets: valid files of the shapes the
// tests know, and broken variants of them; with --dumps, the dumps of the
// valid files instead (the seeds of the dump reader).
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <liedwerk/ParseVSQ.h>
#include <orbt/ByteSink.h>
#include <trillo/DumpWriter.h>

#include "SmfWriter.h"

namespace {

using namespace Fixture;

std::vector<Bytes> validFiles() {
    std::vector<Bytes> files;
    files.push_back(workedExample());
    files.push_back(vsqFile({"[A]\nk=1\n[B]\nm=2"}, 960, 5));
    files.push_back(vsqFile({"[S]\nK = V\nempty=\nx=a=b\n", "[T]\nv=[x]\r\n"}, 0x7FFF, 3));

    Track master;
    master.note(10, 60).tempo(0, 500000).timeSignature(5, 3, 3).text(0, "DM:0:[X]\n").tempo(1920, 0).endOfTrack();
    Track voice;
    voice.text(0, "DM:2:c=3\n")
        .text(0, "DM:1:b=2\n")
        .channel(3, 0xC1, 5)
        .running(1, 6)
        .sysex(0, "\x7E\x01")
        .sysexEscape(0, "\x43")
        .text(0, "hello")
        .text(0, "DM:0:[S]\na=1\n")
        .meta(0, 0x03, "name")
        .endOfTrack();
    Header extra;
    extra.extra = {1, 2, 3, 4};
    files.push_back(smf(extra, {master, voice, dmTrack("[S]\nk=v\n", 2, {1, 0, 3, 2})}));
    return files;
}

std::vector<Bytes> brokenVariants(const Bytes& file) {
    std::vector<Bytes> variants;
    for (std::size_t keep : {file.size() / 2, file.size() - 1, std::size_t{13}, std::size_t{22}})
        variants.emplace_back(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(keep));
    Bytes trailing = file;
    trailing.push_back(0);
    variants.push_back(trailing);
    Bytes flipped = file;
    flipped[flipped.size() / 3] ^= 0x80;
    variants.push_back(flipped);
    return variants;
}

std::vector<Bytes> brokenFiles() {
    std::vector<Bytes> files;
    Track overrun;
    overrun.text(0, "DM:0:[S]\n").raw({0x00, 0x90, 0x3C, 0x40}).declaredLength(14);
    files.push_back(smf(Header(), {Track(), overrun}));
    files.push_back(smf(Header(), {Track(), Track().raw({0x00, 0x3C, 0x40})}));
    files.push_back(smf(Header(), {Track(), Track().raw({0x00, 0xF1, 0x00})}));
    files.push_back(smf(Header(), {Track(), Track().raw({0x80, 0x80, 0x80, 0x80, 0x00, 0xFF, 0x2F, 0x00})}));
    files.push_back(smf(Header(), {Track(), Track().raw({0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0x01})}));
    files.push_back(smf(Header(), {Track(), Track().text(0, "DM:1:k=v\n")}));
    files.push_back(smf(Header(), {Track(), Track().text(0, "DM:0:[S]\n").text(0, "DM:0:[S]\n")}));
    files.push_back(smf(Header(), {Track(), Track().text(0, "DM:4294967296:[S]\n")}));
    files.push_back(vsqFile({"k=v\n"}));
    files.push_back(vsqFile({"[S\n"}));
    files.push_back(vsqFile({"[S]\nk\n"}));
    files.push_back(smf(Header(), {Track(), Track().note(0, 1)}));
    Header format0;
    format0.format = 0;
    files.push_back(smf(format0, {Track(), Track()}));
    Header smpte;
    smpte.division = 0xE728;
    files.push_back(smf(smpte, {Track(), Track()}));
    return files;
}

// The dump of a valid file, as bytes.
Bytes dumpOf(const Bytes& file) {
    OrbT::StringSink sink;
    Trillo::DumpWriter writer(sink);
    try {
        Liedwerk::ParseVSQ reader(writer);
        OrbT::ByteRange range{file.data(), static_cast<std::uint32_t>(file.size())};
        reader.feed(range);
    } catch (...) { // a file the tool refuses: its dump as far as it goes
    }
    writer.flush();
    return Bytes(sink.text.begin(), sink.text.end());
}

bool save(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    const bool dumps = argc == 3 && std::string(argv[1]) == "--dumps";
    if (argc != 2 && !dumps) {
        std::fputs("usage: make_corpus [--dumps] <folder>\n", stderr);
        return 1;
    }
    const char* folder = argv[argc - 1];
    std::vector<Bytes> all = validFiles();
    if (dumps) {
        for (Bytes& file : all) file = dumpOf(file);
    } else {
        for (const Bytes& file : validFiles())
            for (Bytes& variant : brokenVariants(file)) all.push_back(std::move(variant));
        for (Bytes& file : brokenFiles()) all.push_back(std::move(file));
    }
    for (std::size_t i = 0; i < all.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/seed-%03zu", i);
        if (!save(folder + std::string(name), all[i])) {
            std::fprintf(stderr, "make_corpus: cannot write %s%s\n", folder, name);
            return 1;
        }
    }
    std::printf("%zu seeds\n", all.size());
    return 0;
}
