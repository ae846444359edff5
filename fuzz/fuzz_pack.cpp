// The way back: any input, read as a dump, either fails with a fault on a
// line of it, or packs into a VSQ file whose dump is the input again (with
// a last newline, should the input lack one).  Nothing may crash, leak or
// read astray.
#include <cstdlib>
#include <string>
#include <string_view>

#include <liedwerk/ParseVSQ.h>
#include <liedwerk/WriteVSQ.h>
#include <orbt/ByteSink.h>
#include <trillo/DumpReader.h>
#include <trillo/DumpWriter.h>

namespace {

std::size_t linesOf(std::string_view text) {
    std::size_t lines = 1;
    for (char c : text) lines += c == '\n' ? 1 : 0;
    return lines;
}

std::string dumpOf(const std::string& file) {
    OrbT::StringSink sink;
    Trillo::DumpWriter writer(sink);
    Liedwerk::ParseVSQ reader(writer);
    OrbT::ByteRange range{reinterpret_cast<const std::uint8_t*>(file.data()), static_cast<std::uint32_t>(file.size())};
    if (reader.feed(range) || range.count != 0) std::abort(); // a whole file, nothing after it
    writer.flush();
    return sink.text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view dump(reinterpret_cast<const char*>(data), size);
    Liedwerk::WriteVSQs::Content content;
    if (const auto fault = Trillo::readDump(dump, content)) {
        if (fault->line == 0 || fault->line > linesOf(dump) + 1) std::abort();
        return 0;
    }
    const Liedwerk::WriteVSQ writer(content);
    if (writer.problem().kind != Liedwerk::WriteVSQs::Problem::None) {
        const Trillo::DumpFault fault = Trillo::locateProblem(dump, content, writer.problem());
        if (fault.line == 0 || fault.line > linesOf(dump) + 1) std::abort();
        return 0;
    }
    OrbT::StringSink file;
    writer.write(file);
    std::string expected(dump);
    if (!expected.empty() && expected.back() != '\n') expected += '\n';
    if (dumpOf(file.text) != expected) std::abort();
    return 0;
}
