// vsq_summary: prints the tempo map of a VSQ file as CSV, then the sections
// and the number of fields of each voice track.
//
//     vsq_summary <file>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include <liedwerk/ParseVSQ.h>

namespace {

// The receiver.  Every call comes from inside ParseVSQ::feed, in file order.
class Summary : public Liedwerk::ParseVSQs::Hooks {
public:
    void onHeader(std::int32_t voices, std::int32_t division) override {
        std::printf("%d voices, division %d\ntick,event,value\n", voices, division);
    }
    void onBeginTempoMap() override {}
    void onTempo(std::uint32_t tick, double bpm) override { std::printf("%u,tempo,%.2f\n", tick, bpm); }
    void onTimeSignature(std::uint32_t tick, std::uint32_t numerator, std::uint32_t denominator) override {
        std::printf("%u,time,%u/%u\n", tick, numerator, denominator);
    }
    void onEndTempoMap() override {}

    void onBeginTrack(std::int32_t) override {
        names_.clear();
        sections_ = fields_ = 0;
    }
    // The name is valid only during the call: what is kept is copied.
    void onBeginSection(std::int32_t, const char* name) override {
        names_ += sections_++ == 0 ? "" : ", ";
        names_ += name;
    }
    void onField(std::int32_t, const char*, const char*, const char*) override { ++fields_; }
    void onEndSection(std::int32_t, const char*) override {}
    void onEndTrack(std::int32_t track) override {
        std::printf("track %d: sections %d, fields %d (%s)\n", track + 1, sections_, fields_, names_.c_str());
    }
    void onEndFile() override {}

private:
    std::string names_;
    int sections_ = 0;
    int fields_ = 0;
};

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Feeds the whole file to a reader in blocks.  Returns false when bytes
// follow the end of the SMF.  Exceptions pass through; the reader is then
// destroyed on the way out, which is all that may still be done with it.
bool readVSQ(std::FILE* file, Liedwerk::ParseVSQs::Hooks& receiver) {
    Liedwerk::ParseVSQ reader(receiver);
    std::uint8_t block[4096];
    OrbSMF::ByteRange range;
    do { // after feed returned true, the range is used up
        range.cursor = block;
        range.count = static_cast<std::uint32_t>(std::fread(block, 1, sizeof block, file));
        if (range.empty() && std::ferror(file)) throw OrbT::Ex::CannotReadFile();
    } while (reader.feed(range)); // an empty range tells the reader that the input has ended
    // feed returned false: the SMF is complete.  Anything left is trailing.
    return range.empty() && std::fgetc(file) == EOF;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: vsq_summary <file>\n", stderr);
        return 2;
    }
    std::unique_ptr<std::FILE, CloseFile> file(std::fopen(argv[1], "rb"));
    if (!file) {
        std::fprintf(stderr, "vsq_summary: cannot open %s\n", argv[1]);
        return 1;
    }
    const char* failure = nullptr;
    try {
        Summary summary;
        if (!readVSQ(file.get(), summary)) failure = "bytes follow the last track";
    } catch (const OrbSMF::Ex::UnexpectedFileEnd&) {
        failure = "the file ends too early";
    } catch (const OrbT::Ex::DataError&) { // every other broken file
        failure = "not a valid VSQ file";
    } catch (const OrbT::Ex::CannotReadFile&) {
        failure = "cannot read the file";
    } catch (const std::bad_alloc&) {
        failure = "out of memory";
    }
    if (std::fflush(stdout) != 0 && failure == nullptr) failure = "cannot write";
    if (failure == nullptr) return 0;
    std::fprintf(stderr, "vsq_summary: %s\n", failure);
    return 1;
}
